#pragma once
// The XML node layer between documents and their file form. The writer walks a document
// through these faces and the reader builds one through a document type handler, so neither
// needs to know what the nodes are. Nodes and documents are counted objects: whoever makes one
// owns the first reference, a parent holds one reference on each child.

#include <string>
#include <utility>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

class XmlOutputStreamC;
class TrkInventoryEntityC;
class TrkInventoryC;

// The attributes of one element in document order.
using XmlAttrListT = std::vector<std::pair<StringC, StringC>>;

class XmlNodeI {
 public:
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  virtual const StringC& getTag() const = 0;
  HX_NODISCARD virtual hx::ResultT setAttr(const StringC& name, const StringC& value) = 0;
  // Links a child below this node (the node takes its own reference).
  HX_NODISCARD virtual hx::ResultT addChild(XmlNodeI* child) = 0;
  HX_NODISCARD virtual hx::ResultT addText(const StringC& text) = 0;
  // Writes attributes, then text, then every child (through the stream's saveObject).
  HX_NODISCARD virtual hx::ResultT saveTo(XmlOutputStreamC* stream) = 0;
  virtual size_t numChildren() const = 0;

 protected:
  ~XmlNodeI() = default;
};

// A node that is an inventory entity.
class TrkXmlParentI : public XmlNodeI {
 public:
  virtual TrkInventoryEntityC* GetEntity() = 0;

 protected:
  ~TrkXmlParentI() = default;
};

class XmlDocumentI {
 public:
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  // The root element; no reference is added.
  virtual XmlNodeI* getNode() = 0;
  virtual StringC getPublicId() const = 0;
  virtual StringC getSystemId() const = 0;
  // Takes a finished element that sits directly below the root.
  HX_NODISCARD virtual hx::ResultT addChild(XmlNodeI* child) = 0;

 protected:
  ~XmlDocumentI() = default;
};

class TrkXmlDocumentI : public XmlDocumentI {
 public:
  // The document as an inventory, with a new reference.
  HX_NODISCARD virtual hx::ResultT GetInventory(TrkInventoryC** inventory) = 0;

 protected:
  ~TrkXmlDocumentI() = default;
};

// The node factory of the reader: one per kind of document.
class XmlDocTypeHandlerI {
 public:
  virtual ~XmlDocTypeHandlerI() = default;
  // The document for the first element, which becomes its root. The handler may refuse a root
  // it does not know (a failure result ends the read).
  HX_NODISCARD virtual hx::ResultT newDocument(const StringC& rootTag, const XmlAttrListT& attrs, XmlDocumentI** document) = 0;
  // A node for every further element, with one reference for the caller. The tag and the
  // attributes (name, value, ..., null) come as the parser gives them: a document has hundreds
  // of thousands of elements, and copying them into a list first would double their cost.
  HX_NODISCARD virtual hx::ResultT newNode(XmlDocumentI* document, const char* tag, const char** attrs, XmlNodeI** node) = 0;
  virtual StringC getPublicId() const = 0;
  // The replacement text of a reference to an entity that the document does not declare.
  HX_NODISCARD virtual hx::ResultT expandEntity(const StringC& name, StringC* value) = 0;
};
