#include "inventory/TrkInventory.h"

#include "foundation/core/Nodiscard.h"
#include "inventory/InventoryCodes.h"
#include "inventory/TrkIndexBuilder.h"
#include "inventory/TrkTrack.h"

namespace {

constexpr const char* c_True = "True";

// Adds the attribute; an optional one only when its value is not empty.
HX_NODISCARD hx::ResultT AddRootAttr(TrkInventoryC& root, const char* name, const StringC& value, bool optional = false) {
  if (optional && value.empty()) return hx::RC_OK;
  return root.Add(name, value);
}

HX_NODISCARD hx::ResultT AddFlag(TrkInventoryC& root, const char* name, bool on) {
  return on ? root.Add(name, c_True) : hx::RC_OK;
}

}  // namespace

TrkInventoryC::TrkInventoryC() : TrkInventoryEntityC(trk::c_InventoryRootTag) {}

TrkInventoryC::~TrkInventoryC() = default;

RefM<TrkInventoryC> TrkInventoryC::New() { return RefM<TrkInventoryC>(new TrkInventoryC); }

hx::ResultT TrkInventoryC::QueryInterface(const ZORGUID& iid, void** out) {
  if (out != nullptr && iid == IID_ZORHXTInventory) {
    *out = static_cast<ZORHXTInventoryI*>(this);
    AddRef();
    return hx::RC_OK;
  }
  return TrkInventoryEntityC::QueryInterface(iid, out);
}

hx::ResultT TrkInventoryC::GetRootEntity(ZORHXTInventoryEntityI** root) {
  if (root == nullptr) return hx::RC_INVALID_ARG;
  AddRef();
  *root = static_cast<ZORHXTInventoryEntityI*>(this);
  return hx::RC_OK;
}

hx::ResultT TrkInventoryC::GetRootEntity(TrkInventoryEntityC** root) {
  if (root == nullptr) return hx::RC_INVALID_ARG;
  AddRef();
  *root = this;
  return hx::RC_OK;
}

StringC TrkInventoryC::getPublicId() const { return trk::c_InventoryPublicId; }

StringC TrkInventoryC::getSystemId() const { return trk::c_InventorySystemId; }

hx::ResultT TrkInventoryC::addChild(XmlNodeI* child) {
  auto* node = dynamic_cast<TrkXmlParentI*>(child);
  if (node == nullptr) return hx::RC_INVALID_ARG;
  TrkInventoryEntityC* entity = node->GetEntity();
  if (!builder_) builder_ = std::make_unique<TrkIndexBuilderC>(flatIndex_, deepIndex_);
  entity->AddRef();  // the builder's
  builder_->Add(entity);
  return hx::RC_OK;
}

hx::ResultT TrkInventoryC::GetInventory(TrkInventoryC** inventory) {
  if (inventory == nullptr) return hx::RC_INVALID_ARG;
  if (builder_) {
    const hx::ResultT rc = builder_->Finish();
    builder_.reset();
    if (hx::Failed(rc)) return rc;
  }
  AddRef();
  *inventory = this;
  return hx::RC_OK;
}

hx::ResultT TrkInventoryC::AddRootAttributes(const TrkInventoryHeaderT& h) {
  hx::ResultT rc = hx::RC_OK;
  for (hx::ResultT step : {AddRootAttr(*this, "Tracker", h.version), AddRootAttr(*this, "Audience", h.inventoryType),
                           AddRootAttr(*this, "Scope", h.fullQualifiedDomainName),
                           AddRootAttr(*this, "MachineName", h.machineId), AddRootAttr(*this, "UserName", h.userId),
                           AddRootAttr(*this, "UserDomain", h.userLogonDomain, true),
                           AddRootAttr(*this, "DeviceID", h.deviceId, true), AddRootAttr(*this, "JobTag", h.job, true),
                           AddFlag(*this, "Hardware", h.expectHardware), AddFlag(*this, "Software", h.expectSoftware),
                           AddFlag(*this, "TrackFilesInUserInventory", h.expectTrackFilesInUserInventory),
                           AddRootAttr(*this, "DateTime", h.dateTime),
                           AddRootAttr(*this, "Configuration", h.configuration, true),
                           AddRootAttr(*this, "Type", "Full")})
    if (hx::Succeeded(rc)) rc = step;
  return rc;
}

hx::ResultT TrkInventoryC::AddDeltaRootAttributes(const TrkInventoryHeaderT& h) {
  hx::ResultT rc = hx::RC_OK;
  for (hx::ResultT step : {AddRootAttr(*this, "Tracker", h.version), AddRootAttr(*this, "Audience", h.inventoryType),
                           AddRootAttr(*this, "Scope", h.fullQualifiedDomainName),
                           AddRootAttr(*this, "MachineName", h.machineId), AddRootAttr(*this, "UserName", h.userId),
                           AddRootAttr(*this, "UserDomain", h.userLogonDomain, true),
                           AddFlag(*this, "Hardware", h.expectHardware), AddFlag(*this, "Software", h.expectSoftware),
                           AddFlag(*this, "TrackFilesInUserInventory", h.expectTrackFilesInUserInventory),
                           AddRootAttr(*this, "DateTime", h.dateTime),
                           AddRootAttr(*this, "Configuration", h.configuration, true),
                           AddRootAttr(*this, "Type", "Difference"), AddRootAttr(*this, "Generation", h.generation)})
    if (hx::Succeeded(rc)) rc = step;
  return rc;
}

RefM<TrkInventoryEntityC> TrkInventoryC::AddClass(TrkInventoryC* inventory, const StringC& className,
                                                  const StringC& name, const StringC& evidence) {
  return TrkTrackC::AddClass(inventory, className, name, evidence);
}
