#pragma once
// Readers of what the IPS package tool prints: package identifiers (FMRIs) and the actions of
// a package manifest, as pure functions over text, and the parser that turns the output of
// "pkg contents" into packages while it arrives.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/process/OutputStream.h"
#include "packages/model/PackageInfo.h"

// A package identifier: "pkg://publisher/name@version,build-branch:timestamp", where the
// publisher part may be missing ("pkg:/name@..." or "/name@...") and so may everything after
// the at sign.
class FMRIC {
 public:
  // False (and the object invalid) for a text that is not an identifier.
  HX_NODISCARD bool FromString(std::string_view text);

  bool valid = false;
  std::string publisher, name, version, build, branch, timestamp;
};

// The words of a manifest line that are kept: action types and attribute names.
enum IPSLineTypesT {
  IPS_UNKNOWN = 0,
  IPS_SET,
  IPS_FILE,
  IPS_LINK,
  IPS_HARDLINK,
  IPS_LICENSE,
  IPS_NAME,
  IPS_VALUE,
  IPS_PATH
};

// One action of a manifest: "file path=usr/bin/ls owner=root ...", "set name=pkg.summary
// value=\"...\"". Attribute values may be quoted with double or single quotes; a backslash
// escapes the next character. Only the name, value and path attributes are kept.
class IPSManifestLineC {
 public:
  static IPSLineTypesT TypeOf(std::string_view word);
  void Parse(std::string_view action);

  IPSLineTypesT type = IPS_UNKNOWN;
  std::map<IPSLineTypesT, std::string> attributes;
  std::string Attribute(IPSLineTypesT kind) const;
};

// Takes the output of "pkg contents -H -o pkg.fmri,action.raw" line by line: each line is an
// identifier and a raw action; a new identifier starts a package of type "IPS" (version and
// branch as its version, the publisher as Publisher), "file", "link" and "hardlink" actions add
// their paths (rooted at "/"), and "set name=pkg.summary" gives its Summary. Lines whose
// identifier cannot be read are counted and skipped.
class IPSPkgManifestParserC : public LineOutputStreamC {
 public:
  using CollectionT = std::vector<std::unique_ptr<PackageInfoC>>;
  explicit IPSPkgManifestParserC(CollectionT* collection) : collection_(collection) {}

  // Marks the last package as listed.
  void Close();
  size_t unreadableLines() const { return unreadable_; }

  HX_NODISCARD hx::ResultT WriteLine(std::string_view line) override;

 private:
  CollectionT* collection_;
  std::string identifier_;
  PackageInfoC* current_ = nullptr;
  size_t unreadable_ = 0;
};
