#pragma once
// InventoryStreamC: reads an inventory or a delta as a stream of expat events into a ViewDocT.
// Nothing of the document is kept but what the summary shows; the Base64 content of embedded
// files is never collected.
//
// The document is data from another machine: every value kept is cut to c_MaxValueBytes (at
// a character boundary), and the parser loads no DTD and accepts no entity declaration.

#include <string>
#include <unordered_set>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "inventory/XmlParser.h"
#include "view/model/ViewModel.h"

namespace hxview {

// The longest value kept for display; longer ones end in "...".
constexpr size_t c_MaxValueBytes = 4096;

class InventoryStreamC : public XmlParserC {
 public:
  // With keepOnly, the document is read as the base of a delta: its section keeps nothing but
  // the entities whose keys (EntityT::key) are in the set.
  explicit InventoryStreamC(ViewDocT& doc, const std::unordered_set<std::string>* keepOnly = nullptr)
      : doc_(doc), keepOnly_(keepOnly) {}

  // Feeds the next piece of the document; RC_OK or a failure for a document that is not
  // well-formed or not an inventory (errorText says why).
  HX_NODISCARD hx::ResultT Feed(const char* data, size_t size, bool final);

 protected:
  void onStartElement(const char* name, const char** atts) override;
  void onEndElement(const char* name) override;
  void onCharacterData(const char*, int) override {}
  void onSkippedEntity(const char*) override {}

 private:
  void StartEntity(const std::string& tag, const char** atts);
  void StartChild(const std::string& tag, const char** atts);
  void EndContent();
  // The class of that name in the open section, or null for one past c_MaxClasses.
  HardwareClassT* ClassOf(const std::string& className);
  // Top-level entities are children of the root, or of Add/Remove/Update in a delta.
  size_t EntityDepth() const { return doc_.delta ? c_RootDepth + 2 : c_RootDepth + 1; }

  static constexpr size_t c_RootDepth = 1;

  enum class OpenE { None, Hardware, Content };
  ViewDocT& doc_;
  const std::unordered_set<std::string>* keepOnly_;
  bool keeping_ = false;  // the open entity's children go to the section's last entity
  size_t depth_ = 0;
  bool sawRoot_ = false;
  SectionT* section_ = nullptr;  // where entities at the entity depth go (null: skipped)
  OpenE open_ = OpenE::None;     // the top-level entity whose children are being read
  // The class of the open instance, which is the last of its instances.
  HardwareClassT* class_ = nullptr;
  TrackedFileT file_;  // the open Content's own values
  std::vector<std::pair<std::string, std::string>> paths_;  // its Instance paths and times
  std::string productName_, productVersion_;
};

// Reads an inventory file, plain or gzip-compressed (.hxi or .hxi.gz). The file must be a
// regular file named directly, not a link. RC_OK, or a failure with *why saying what went wrong.
HX_NODISCARD hx::ResultT ReadInventoryFile(const std::string& path, ViewDocT* doc, std::string* why,
                              const std::unordered_set<std::string>* keepOnly = nullptr);

}  // namespace hxview
