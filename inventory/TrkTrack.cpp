#include "inventory/TrkTrack.h"

#include "inventory/TrkInventory.h"

namespace {

RefM<TrkInventoryEntityC> AddElement(TrkInventoryEntityC* parent, const char* tag,
                                     std::initializer_list<std::pair<const char*, const StringC*>> attrs) {
  if (parent == nullptr) return RefM<TrkInventoryEntityC>();
  RefM<TrkInventoryEntityC> entity = TrkInventoryEntityC::New(tag);
  for (const auto& [name, value] : attrs) HX_IGNORE_RESULT(entity->Add(name, *value));  // fixed names, never empty
  if (hx::Failed(parent->AddEntity(entity.get()))) return RefM<TrkInventoryEntityC>();
  return entity;
}

// The first child with the tag whose attribute equals value exactly, or null.
TrkInventoryEntityC* FirstChildWith(TrkInventoryEntityC* entity, const char* tag, const char* attr,
                                    const StringC& value) {
  for (TrkInventoryEntityC* c = entity->GetFirstChild(); c != nullptr; c = c->GetNext())
    if (c->getTag() == tag && c->GetAttribute(attr) == value) return c;
  return nullptr;
}

}  // namespace

hx::ResultT TrkTrackC::OwnRoot(ZORHXTInventoryI* inventory, RefM<TrkInventoryEntityC>* root) const {
  if (inventory == nullptr || root == nullptr) return hx::RC_INVALID_ARG;
  ZORHXTInventoryEntityI* face = nullptr;
  const hx::ResultT got = inventory->GetRootEntity(&face);
  if (hx::Failed(got)) return got;
  TrkInventoryEntityC* own = document_;
  if (own == nullptr || face != static_cast<ZORHXTInventoryEntityI*>(own)) {
    if (face != nullptr) face->Release();
    return hx::RC_NO_INTERFACE;
  }
  *root = RefM<TrkInventoryEntityC>::Adopt(own);  // the reference GetRootEntity gave
  return hx::RC_OK;
}

RefM<TrkInventoryEntityC> TrkTrackC::AddClass(TrkInventoryEntityC* parent, const StringC& className,
                                              const StringC& name, const StringC& evidence) {
  return AddElement(parent, c_Hardware, {{c_Class, &className}, {c_Name, &name}, {c_Evidence, &evidence}});
}

RefM<TrkInventoryEntityC> TrkTrackC::AddPackage(TrkInventoryEntityC* parent, const StringC& name,
                                                const StringC& evidence) {
  return AddElement(parent, c_Package, {{c_Name, &name}, {c_Evidence, &evidence}});
}

hx::ResultT TrkTrackC::AddProperty(TrkInventoryEntityC* parent, const StringC& name, const StringC& value,
                                   const StringC& evidence, bool allowEmpty) {
  if (parent == nullptr) return hx::RC_INVALID_ARG;
  return parent->AddProperty(name, value, evidence, allowEmpty);
}

StringC TrkTrackC::GetProperty(TrkInventoryEntityC* entity, const StringC& name) {
  if (entity == nullptr) return StringC();
  const TrkInventoryEntityC* property = FirstChildWith(entity, c_Property, c_Name, name);
  return property ? property->GetAttribute(c_Value) : StringC();
}

StringC TrkTrackC::GetClassProperty(TrkInventoryEntityC* entity, const StringC& className,
                                    const StringC& propertyName) {
  if (entity == nullptr) return StringC();
  return GetProperty(FirstChildWith(entity, c_Hardware, c_Class, className), propertyName);
}
