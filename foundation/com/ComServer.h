#pragma once
// ComServerC: the classes that one component library or program offers, as a null-terminated
// table of ComObjectEntryC that its creator owns. Register makes each class's factory and puts
// it into the registry; Unregister takes them out again and deletes the factories.

#include "foundation/com/ComFactory.h"
#include "foundation/com/ComRegistryI.h"
#include "foundation/core/Nodiscard.h"

class ComObjectEntryC {
 public:
  ComObjectEntryC(const ZORGUID& clsid, ComCloneFunctionT clone) : clsid_(clsid), clone_(clone) {}
  ComObjectEntryC(const ComObjectEntryC&) = delete;
  ComObjectEntryC& operator=(const ComObjectEntryC&) = delete;
  // A factory that never made it into the registry (the class was already there) is dropped
  // with the entry; a registered one stays for the registry until Unregister.
  ~ComObjectEntryC() {
    if (factory_ != nullptr && cookie_ == 0) factory_->Release();
  }

  const ZORGUID& GetCLSID() const { return clsid_; }
  ComFactoryC* GetFactory() const { return factory_; }
  unsigned long GetCookie() const { return cookie_; }

 private:
  friend class ComServerC;

  ZORGUID clsid_;
  ComFactoryC* factory_ = nullptr;  // made on first need, deleted by ComServerC::Unregister
  unsigned long cookie_ = 0;        // 0 while not registered
  ComCloneFunctionT clone_;
};

class ComServerC {
 public:
  explicit ComServerC(ComObjectEntryC** entries) : entries_(entries) {}

  // Registers every entry that is not registered yet, in table order. A registration the
  // registry refuses (the class is already there) leaves that entry without a cookie.
  HX_NODISCARD hx::ResultT Register(ComRegistryI* registry);
  HX_NODISCARD hx::ResultT Unregister(ComRegistryI* registry);
  // The factory of clsid (made now if needed) through its QueryInterface (iid, out).
  HX_NODISCARD hx::ResultT GetCOMObject(const ZORGUID& clsid, const ZORGUID& iid, ZORUnknownI** out);

  // True while any component object or server lock is alive in the process.
  static bool IsLocked();

 private:
  ComFactoryC* FactoryOf(ComObjectEntryC& entry);

  ComObjectEntryC** entries_;
};
