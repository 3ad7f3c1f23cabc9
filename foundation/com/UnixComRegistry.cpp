#include "foundation/com/UnixComRegistry.h"

#include "foundation/com/ComTrace.h"
#include "foundation/trace/Tracer.h"


hx::ResultT UnixComRegistryC::Initialize() { return hx::RC_OK; }

hx::ResultT UnixComRegistryC::Finalize() { return hx::RC_OK; }

const UnixComClassEntryC* UnixComRegistryC::Find(const ZORGUID& clsid) const {
  const auto it = classes_.find(clsid);
  return it == classes_.end() ? nullptr : &it->second;
}

hx::ResultT UnixComRegistryC::GetInstance(const ZORGUID& clsid, const ZORGUID& iid, ZORUnknownI** out) {
  if (out != nullptr) *out = nullptr;
  const UnixComClassEntryC* entry = Find(clsid);
  if (entry == nullptr) return hx::RC_CLASS_NOT_REG;
  return entry->GetFactory()->CreateInstance(nullptr, iid, reinterpret_cast<void**>(out));
}

hx::ResultT UnixComRegistryC::RegisterClassObject(const ZORGUID& clsid, ZORClassFactoryI* factory,
                                                  unsigned long* cookie) {
  if (factory == nullptr || cookie == nullptr) return hx::RC_INVALID_ARG;
  if (Find(clsid) != nullptr) {
    hx::Trace(c_ComTraceCategory, "Class %s is already registered\n", ComGuidC(clsid).ToString());
    return hx::RC_FAIL;
  }
  const unsigned long issued = nextCookie_++;
  classes_.emplace(clsid, UnixComClassEntryC(clsid, factory, issued));
  cookies_.emplace(issued, clsid);
  *cookie = issued;
  return hx::RC_OK;
}

hx::ResultT UnixComRegistryC::UnRegisterClassObject(unsigned long cookie) {
  const auto it = cookies_.find(cookie);
  if (it == cookies_.end()) return hx::RC_FAIL;
  classes_.erase(it->second);
  cookies_.erase(it);
  return hx::RC_OK;
}

hx::ResultT UnixComRegistryC::GetClassObject(const ZORGUID& clsid, ZORClassFactoryI** out) {
  const UnixComClassEntryC* entry = Find(clsid);
  if (entry == nullptr) {
    if (out != nullptr) *out = nullptr;
    return hx::RC_CLASS_NOT_REG;
  }
  if (out == nullptr) return hx::RC_NULL_OUT;
  *out = entry->GetFactory();
  (*out)->AddRef();
  return hx::RC_OK;
}
