#pragma once
// UnixComRegistryC: the registry with its class object table, the factories by class
// identifier. The table does not count references on the factories: whoever registers one
// keeps it alive until it unregisters it.

#include <unordered_map>

#include "foundation/com/ComRegistry.h"

class UnixComClassEntryC {
 public:
  UnixComClassEntryC(const ZORGUID& clsid, ZORClassFactoryI* factory, unsigned long cookie)
      : clsid_(clsid), factory_(factory), cookie_(cookie) {}
  const ZORGUID& GetCLSID() const { return clsid_; }
  ZORClassFactoryI* GetFactory() const { return factory_; }
  unsigned long GetCookie() const { return cookie_; }

 private:
  ZORGUID clsid_;
  ZORClassFactoryI* factory_;  // not counted
  unsigned long cookie_;
};

class UnixComRegistryC : public ComRegistryC {
 public:
  UnixComRegistryC() = default;

  hx::ResultT Initialize() override;
  hx::ResultT Finalize() override;
  using ComRegistryC::GetInstance;
  hx::ResultT GetInstance(const ZORGUID& clsid, const ZORGUID& iid, ZORUnknownI** out) override;
  hx::ResultT RegisterClassObject(const ZORGUID& clsid, ZORClassFactoryI* factory,
                                  unsigned long* cookie) override;
  hx::ResultT UnRegisterClassObject(unsigned long cookie) override;
  hx::ResultT GetClassObject(const ZORGUID& clsid, ZORClassFactoryI** out) override;

 protected:
  ~UnixComRegistryC() override = default;

 private:
  const UnixComClassEntryC* Find(const ZORGUID& clsid) const;

  std::unordered_map<ZORGUID, UnixComClassEntryC, ComGuidHashC> classes_;
  std::unordered_map<unsigned long, ZORGUID> cookies_;
  unsigned long nextCookie_ = 1;  // 0 means "not registered" to the servers
};
