#include "inventory/TrkInventoryDocTypeHandler.h"

#include "foundation/core/Nodiscard.h"
#include "inventory/InventoryCodes.h"
#include "inventory/XmlBinder.h"

namespace {

HX_NODISCARD hx::ResultT AddAttrs(TrkInventoryEntityC& entity, const XmlAttrListT& attrs) {
  for (const auto& [name, value] : attrs) {
    const hx::ResultT rc = entity.Add(name, value);
    if (hx::Failed(rc)) return rc;
  }
  return hx::RC_OK;
}

HX_NODISCARD hx::ResultT ToInventory(hx::ResultT rc, XmlDocumentI* document, RefM<TrkInventoryC>* inventory) {
  if (hx::Failed(rc)) return rc;
  if (document == nullptr) return hx::RC_FAIL;
  auto* trkDocument = dynamic_cast<TrkXmlDocumentI*>(document);
  TrkInventoryC* result = nullptr;
  rc = trkDocument ? trkDocument->GetInventory(&result) : hx::RC_FAIL;
  document->Release();
  if (hx::Succeeded(rc)) *inventory = RefM<TrkInventoryC>::Adopt(result);
  return rc;
}

}  // namespace

hx::ResultT TrkInventoryDocTypeHandlerC::newDocument(const StringC& rootTag, const XmlAttrListT& attrs,
                                                     XmlDocumentI** document) {
  if (document == nullptr) return hx::RC_INVALID_ARG;
  *document = nullptr;
  if (rootTag != trk::c_InventoryRootTag) return hx::RC_FAIL;
  RefM<TrkInventoryC> inventory = TrkInventoryC::New();
  const hx::ResultT rc = AddAttrs(*inventory, attrs);
  if (hx::Failed(rc)) return rc;
  *document = static_cast<TrkXmlDocumentI*>(inventory.detach());
  return hx::RC_OK;
}

hx::ResultT TrkInventoryDocTypeHandlerC::newNode(XmlDocumentI*, const char* tag, const char** attrs, XmlNodeI** node) {
  if (node == nullptr) return hx::RC_INVALID_ARG;
  *node = nullptr;
  RefM<TrkInventoryEntityC> entity = TrkInventoryEntityC::New(tag != nullptr ? tag : "");
  for (size_t i = 0; attrs != nullptr && attrs[i] != nullptr && attrs[i + 1] != nullptr; i += 2) {
    const hx::ResultT rc = entity->AddParsed(attrs[i], attrs[i + 1]);
    if (hx::Failed(rc)) return rc;
  }
  *node = static_cast<TrkXmlParentI*>(entity.detach());
  return hx::RC_OK;
}

StringC TrkInventoryDocTypeHandlerC::getPublicId() const { return trk::c_InventoryPublicId; }

hx::ResultT TrkInventoryDocTypeHandlerC::expandEntity(const StringC&, StringC* value) {
  if (value == nullptr) return hx::RC_INVALID_ARG;
  value->clear();
  return hx::RC_OK;
}

hx::ResultT TrkInventoryDocTypeHandlerC::ReadFile(const FileNameC& file, RefM<TrkInventoryC>* inventory,
                                                  const XmlReadControlT& control) {
  if (inventory == nullptr) return hx::RC_NULL_OUT;
  TrkInventoryDocTypeHandlerC handler;
  XmlDocumentI* document = nullptr;
  const hx::ResultT rc = XmlBindFile(file, &handler, &document, control);
  return ToInventory(rc, document, inventory);
}

hx::ResultT TrkInventoryDocTypeHandlerC::ReadBuffer(const char* data, size_t size, RefM<TrkInventoryC>* inventory) {
  if (inventory == nullptr) return hx::RC_NULL_OUT;
  TrkInventoryDocTypeHandlerC handler;
  XmlDocumentI* document = nullptr;
  const hx::ResultT rc = XmlBindBuffer(data, size, &handler, &document);
  return ToInventory(rc, document, inventory);
}
