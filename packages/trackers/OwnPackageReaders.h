#pragma once
// Readers of the agent's own package files, as pure functions over text:
//
// - a package description ("package.xml", the same in the package cache and under the live
//   package directory): one "package" element whose attributes describe the package:
//     <package name="editor" title="Acme Editor" version="2.1" type="Application"
//              installTime="2012-01-05T14:22:00" objectID="..." policyGUID="..." kind="patch"/>
//   (kind="patch" marks a patch, which is not inventoried);
// - the live-package index ("index/machine/index.xml"): "package" elements with href, name,
//   installed, policyGUID and objectID, a UTF-8 byte-order mark allowed at its start;
// - an external agent's configuration file: "key = value" lines, "#" comments.
//
// docs/package-cache.md describes the layout these files live in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"

namespace trk {

struct OwnPackageT {
  std::string name, title, version, type, objectId, policyGuid;
  int64_t installTime = 0;  // seconds since the epoch, 0 when unknown
  bool patch = false;
};

// The description's package; false when the text holds no "package" element.
HX_NODISCARD bool ParsePackageDescription(std::string_view text, OwnPackageT* package);

struct LivePackageT {
  std::string href, name, policyGuid, objectId;
  bool installed = false;  // the attribute reads true ("true", "yes" or "1", any case)
};

// The entries of a live-package index, in document order (names of elements and attributes
// compared without regard to case). A text that is not well-formed gives the entries before
// the fault.
std::vector<LivePackageT> ParseLiveIndex(std::string_view text);

struct AgentIdentityT {
  std::string id, version;  // agentid and agent_version; the last occurrence of each wins
};

// An external agent's configuration file.
AgentIdentityT ParseAgentIni(std::string_view text);

}  // namespace trk
