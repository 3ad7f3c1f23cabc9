#include "foundation/com/ComServer.h"

#include "foundation/com/ComServerCounter.h"
#include "foundation/com/ComTrace.h"
#include "foundation/trace/Tracer.h"


ComFactoryC* ComServerC::FactoryOf(ComObjectEntryC& entry) {
  if (entry.factory_ == nullptr && entry.clone_ != nullptr) entry.factory_ = entry.clone_();
  return entry.factory_;
}

hx::ResultT ComServerC::Register(ComRegistryI* registry) {
  if (registry == nullptr || entries_ == nullptr) return hx::RC_INVALID_ARG;
  for (ComObjectEntryC** e = entries_; *e != nullptr; ++e) {
    ComObjectEntryC& entry = **e;
    if (entry.cookie_ != 0) continue;
    ComFactoryC* factory = FactoryOf(entry);
    if (factory == nullptr) continue;
    const hx::ResultT rc = registry->RegisterClassObject(entry.clsid_, factory, &entry.cookie_);
    if (hx::Failed(rc)) {
      hx::Trace(c_ComTraceCategory, "Class %s (%s) not registered: 0x%08X\n",
                ComGuidC(entry.clsid_).ToString(), factory->GetClassName(), static_cast<uint32_t>(rc));
    }
  }
  return hx::RC_OK;
}

hx::ResultT ComServerC::Unregister(ComRegistryI* registry) {
  if (registry == nullptr || entries_ == nullptr) return hx::RC_INVALID_ARG;
  for (ComObjectEntryC** e = entries_; *e != nullptr; ++e) {
    ComObjectEntryC& entry = **e;
    if (entry.cookie_ == 0) continue;
    HX_IGNORE_RESULT(registry->UnRegisterClassObject(entry.cookie_));  // a cookie it does not know holds nothing of ours
    delete entry.factory_;
    entry.factory_ = nullptr;
    entry.cookie_ = 0;
  }
  return hx::RC_OK;
}

hx::ResultT ComServerC::GetCOMObject(const ZORGUID& clsid, const ZORGUID& iid, ZORUnknownI** out) {
  if (out != nullptr) *out = nullptr;
  if (entries_ == nullptr) return hx::RC_CLASS_NOT_REG;
  for (ComObjectEntryC** e = entries_; *e != nullptr; ++e) {
    if ((*e)->clsid_ != clsid) continue;
    ComFactoryC* factory = FactoryOf(**e);
    if (factory == nullptr) return hx::RC_NO_INTERFACE;
    return factory->QueryInterface(iid, reinterpret_cast<void**>(out));
  }
  return hx::RC_CLASS_NOT_REG;
}

bool ComServerC::IsLocked() { return ComServerCounterC::GetCount() > 0; }
