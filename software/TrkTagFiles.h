#pragma once
// Product and component tag files: small XML files that some installers leave beside what they
// install, declaring the product (".swtag": ProductName, ProductVersion) or the component
// (".cmptag": ComponentName, ComponentVersion) that the directory belongs to. A tracked tag
// file gives its own file entity the declared name and version as the properties
// "FileDescription" and "FileVersion", in place of a product name from the package database.
//
// Reading: at the start of every element the kept text is emptied; a run of character data
// (the text between two pieces of markup, references included) replaces it; at the end of an
// element the kept text, without surrounding blanks, is stored when the element's name (any
// case) is one the kind declares. A later element of the same name replaces an earlier value.

#include <cstddef>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

class TrkInventoryEntityC;

// The declared product (or component) of one tag file.
class IBMTAGC {
 public:
  virtual ~IBMTAGC() = default;
  // Reads the whole text as XML. 0, or RC_FAIL when it is not well-formed (the values read so
  // far then stay but are not to be used).
  HX_NODISCARD hx::ResultT ParseTAGText(std::string_view text);

  StringC version;
  StringC name;

 protected:
  // The element names that hold the name and the version.
  virtual const char* NameElement() const = 0;
  virtual const char* VersionElement() const = 0;
};

class SWTAGC : public IBMTAGC {
 protected:
  const char* NameElement() const override { return "ProductName"; }
  const char* VersionElement() const override { return "ProductVersion"; }
};

class CMPTAGC : public IBMTAGC {
 protected:
  const char* NameElement() const override { return "ComponentName"; }
  const char* VersionElement() const override { return "ComponentVersion"; }
};

namespace trk {

// Tag files larger than this are not read: a declaration is a few hundred bytes.
constexpr size_t c_MaxTagFileSize = size_t{1} << 20;

bool IsProductTagExtension(std::string_view extension);
// Adds "FileDescription" and "FileVersion" to content from the tag file's text, when the path
// names a tag file whose text is well-formed and declares both a name and a version; false
// otherwise (nothing added).
HX_NODISCARD bool AddVersionInformationFromIBMTags(TrkInventoryEntityC* content, std::string_view path, const std::string* text);

}  // namespace trk
