#pragma once
// Reads one delivered document (an inventory or a delta) as the collector stores it: the root's
// attributes, then every top-level entity (a child of the root, or of Remove, Update or Add in
// a delta) with its tag, its two digests and its subtree as XML.
//
// The entities are built and digested by the inventory library itself, as the agent reads the
// base of a delta (the same character rule, the same digest bytes), and written by its writer
// one level below the root, as the agent writes them: an item is what the agent's delta calls
// one, and stored subtrees put back together make a document the readers of inventories read.
// Only one top-level entity is held at a time.
//
// A document comes from another machine and may be made to hurt: the parser's bounds (token
// length, attributes, no DTD, no entity declarations, nesting) hold, and so do the caps below
// on the whole document, the text of one element and the number of top-level entities.

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/core/Result.h"
#include "inventory/TrkDigestKey.h"
#include "inventory/XmlNode.h"

namespace hxc {

// Bytes of a document once uncompressed.
constexpr uint64_t c_MaxDocumentBytes = 4ull << 30;
// Character data of one element: embedded file content is the only long text.
constexpr size_t c_MaxTextBytes = 8u << 20;
constexpr uint64_t c_MaxEntities = 4000000;

enum class SectionE { Top, Remove, Update, Add };

struct EntityT {
  SectionE section = SectionE::Top;
  std::string tag;
  TrkDigestKeyT flat, deep;
  std::string xml;  // the writer's lines of the subtree, one tab deep, ending in a line feed
  XmlAttrListT attrs;  // its own attributes
  std::vector<std::string> paths;  // the Path of each Instance child (a tracked file's places)
  XmlAttrListT properties;  // the Name and Value of each Property child
};

// The root's attributes as the character rule left them, in document order.
struct RootT {
  XmlAttrListT attrs;
  const std::string& Get(const std::string& name) const;
  bool IsDelta() const { return Get("Type") == "Difference"; }
};

class DocumentSinkI {
 public:
  virtual ~DocumentSinkI() = default;
  // A failure ends the read with that result (c_StopAfterRoot ends it early, successfully).
  virtual hx::ResultT OnRoot(const RootT& root) = 0;
  virtual hx::ResultT OnEntity(EntityT&& entity) = 0;
};

// OnRoot's answer for a reader that wants nothing but the root.
constexpr hx::ResultT c_StopAfterRoot = hx::RcFromErrno(ECANCELED);

// Parses plain XML fed piece by piece into the sink.
class DocumentParserC {
 public:
  explicit DocumentParserC(DocumentSinkI& sink);
  ~DocumentParserC();
  DocumentParserC(const DocumentParserC&) = delete;
  DocumentParserC& operator=(const DocumentParserC&) = delete;

  // RC_OK, c_StopAfterRoot when the sink asked for no more, or a failure (*why says which).
  hx::ResultT Feed(const char* data, size_t size, bool final, std::string* why);

 private:
  class ImplC;
  ImplC* impl_;
};

// The writer's form of the root's attributes (` Name="value"` each) and of a document made of
// a root with those attributes and stored subtrees.
std::string RootAttributesXml(const XmlAttrListT& attrs);
std::string DocumentHead(const std::string& rootAttributesXml);
constexpr const char* c_DocumentTail = "</Inventory>\n";

}  // namespace hxc
