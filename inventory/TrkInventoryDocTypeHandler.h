#pragma once
// TrkInventoryDocTypeHandlerC: the node factory that reads an inventory file back into a
// TrkInventoryC: the document element must be "Inventory" and becomes the document with its
// attributes in document order; every further element becomes an entity. References to
// entities the document does not declare stand for nothing.

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventory.h"
#include "inventory/XmlBinder.h"
#include "inventory/XmlNode.h"

class TrkInventoryDocTypeHandlerC : public XmlDocTypeHandlerI {
 public:
  HX_NODISCARD hx::ResultT newDocument(const StringC& rootTag, const XmlAttrListT& attrs, XmlDocumentI** document) override;
  HX_NODISCARD hx::ResultT newNode(XmlDocumentI* document, const char* tag, const char** attrs, XmlNodeI** node) override;
  StringC getPublicId() const override;
  HX_NODISCARD hx::ResultT expandEntity(const StringC& name, StringC* value) override;

  // Reads an inventory file (or buffer); on success *inventory holds the document.
  HX_NODISCARD static hx::ResultT ReadFile(const FileNameC& file, RefM<TrkInventoryC>* inventory,
                              const XmlReadControlT& control = XmlReadControlT());
  HX_NODISCARD static hx::ResultT ReadBuffer(const char* data, size_t size, RefM<TrkInventoryC>* inventory);
};
