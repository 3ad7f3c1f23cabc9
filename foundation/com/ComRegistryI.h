#pragma once
// The two views of the component registry: by class identifier (ComRegistryI) and by class
// name (ComNameRegistryI). Operations are declared in slot order. Class names are plain
// zero-terminated text in the system 8-bit encoding (see ZORStringTC).

#include "foundation/com/ZORUnknown.h"

class ComRegistryI : public ZORUnknownI {
 public:
  virtual hx::ResultT Initialize() = 0;
  virtual hx::ResultT Finalize() = 0;
  // A new object of class clsid through its factory, answering interface iid.
  virtual hx::ResultT GetInstance(const ZORGUID& clsid, const ZORGUID& iid, ZORUnknownI** out) = 0;
  // The registry does not take a reference on the factory: whoever registers it keeps it alive
  // until it is unregistered.
  virtual hx::ResultT RegisterClassObject(const ZORGUID& clsid, ZORClassFactoryI* factory,
                                          unsigned long* cookie) = 0;
  virtual hx::ResultT UnRegisterClassObject(unsigned long cookie) = 0;
  virtual hx::ResultT GetClassObject(const ZORGUID& clsid, ZORClassFactoryI** out) = 0;
  virtual hx::ResultT InitializeEx(unsigned long flags) = 0;

 protected:
  ~ComRegistryI() = default;
};

class ComNameRegistryI : public ZORUnknownI {
 public:
  virtual hx::ResultT GetInstance(char* const& name, const ZORGUID& iid, ZORUnknownI** out) = 0;
  virtual hx::ResultT RegisterClassName(char* name, ZORGUID clsid) = 0;
  virtual hx::ResultT UnRegisterClassName(char* name) = 0;
  // Sets *clsid to GUID_NULL first; RC_CLASS_NOT_REG when the name is not registered.
  virtual hx::ResultT FindCLSID(char* name, ZORGUID* clsid) = 0;

 protected:
  ~ComNameRegistryI() = default;
};
