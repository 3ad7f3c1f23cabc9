#include "foundation/com/ComFactory.h"

#include "foundation/com/ComServerCounter.h"

ComFactoryC::ComFactoryC(const StringC& className, const StringC& progid)
    : className_(className), progid_(progid) {}

hx::ResultT ComFactoryC::QueryInterface(const ZORGUID& iid, void** out) {
  if (out == nullptr) return hx::RC_INVALID_ARG;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return hx::RC_NO_INTERFACE;
  *out = static_cast<ZORClassFactoryI*>(this);
  AddRef();
  return hx::RC_OK;
}

unsigned long ComFactoryC::AddRef() {
  return static_cast<unsigned long>(refs_.fetch_add(1, std::memory_order_relaxed) + 1);
}

unsigned long ComFactoryC::Release() {
  const long left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return static_cast<unsigned long>(left);
}

hx::ResultT ComFactoryC::CreateInstance(ZORUnknownI* /*outer*/, const ZORGUID& iid, void** out) {
  if (out != nullptr) *out = nullptr;
  ZORUnknownI* object = CreateObject();
  if (object == nullptr) return hx::RC_NO_INTERFACE;
  // The temporary reference makes an object that lacks iid delete itself on the Release.
  object->AddRef();
  const hx::ResultT rc = object->QueryInterface(iid, out);
  object->Release();
  return rc;
}

hx::ResultT ComFactoryC::LockServer(bool lock) {
  if (lock) {
    ComServerCounterC::Increment();
  } else {
    ComServerCounterC::Decrement();
  }
  return hx::RC_OK;
}
