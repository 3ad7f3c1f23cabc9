#include "software/TrkTagFiles.h"

#include <memory>

#include "foundation/core/Nodiscard.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlParser.h"
#include "software/TrkFileRules.h"

namespace {

constexpr const char* c_ProductTagExtension = "swtag";
constexpr const char* c_ComponentTagExtension = "cmptag";
constexpr const char* c_FileDescription = "FileDescription";
constexpr const char* c_FileVersion = "FileVersion";
constexpr std::string_view c_TagBlanks = " \t\n\r";

class TagParserC : public XmlParserC {
 public:
  TagParserC(const char* nameElement, const char* versionElement, IBMTAGC& tag)
      : nameElement_(nameElement), versionElement_(versionElement), tag_(tag) {}

 protected:
  void onStartElement(const char*, const char**) override {
    kept_.clear();
    inRun_ = false;
  }
  void onEndElement(const char* name) override {
    inRun_ = false;
    const size_t start = kept_.find_first_not_of(c_TagBlanks);
    const StringC value = start == StringC::npos ? StringC() : kept_.substr(start, kept_.find_last_not_of(c_TagBlanks) - start + 1);
    if (hx::EqualsNoCase(name, nameElement_)) tag_.name = value;
    if (hx::EqualsNoCase(name, versionElement_)) tag_.version = value;
  }
  void onCharacterData(const char* text, int length) override {
    if (!inRun_) kept_.clear();
    inRun_ = true;
    kept_.append(text, static_cast<size_t>(length));
  }
  void onSkippedEntity(const char*) override {}

 private:
  const char* nameElement_;
  const char* versionElement_;
  IBMTAGC& tag_;
  StringC kept_;
  bool inRun_ = false;
};

}  // namespace

hx::ResultT IBMTAGC::ParseTAGText(std::string_view text) {
  TagParserC parser(NameElement(), VersionElement(), *this);
  return parser.parse(text.data(), text.size(), true);
}

namespace trk {

bool IsProductTagExtension(std::string_view extension) {
  return hx::EqualsNoCase(extension, c_ProductTagExtension) || hx::EqualsNoCase(extension, c_ComponentTagExtension);
}

bool AddVersionInformationFromIBMTags(TrkInventoryEntityC* content, std::string_view path, const std::string* text) {
  std::unique_ptr<IBMTAGC> tag;
  const std::string_view extension = GetPlatformExtension(path);
  if (hx::EqualsNoCase(extension, c_ProductTagExtension)) tag = std::make_unique<SWTAGC>();
  if (hx::EqualsNoCase(extension, c_ComponentTagExtension)) tag = std::make_unique<CMPTAGC>();
  if (!tag || text == nullptr || hx::Failed(tag->ParseTAGText(*text))) return false;
  if (tag->name.empty() || tag->version.empty()) return false;
  // Both values were checked above: nothing to refuse.
  HX_IGNORE_RESULT(TrkTrackC::AddProperty(content, c_FileDescription, tag->name, StringC(), false));
  HX_IGNORE_RESULT(TrkTrackC::AddProperty(content, c_FileVersion, tag->version, StringC(), false));
  return true;
}

}  // namespace trk
