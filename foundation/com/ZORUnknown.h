#pragma once
// The base of every component interface and the class factory interface. The operations are
// declared in their slot order and nothing else is virtual: a component built separately sees
// the same table. Objects are destroyed by their last Release, never through an interface
// pointer, hence the protected destructors.

#include "foundation/com/ZORGuid.h"
#include "foundation/core/Result.h"

class ZORUnknownI {
 public:
  // Null out gives RC_INVALID_ARG; an interface the object lacks gives RC_NO_INTERFACE with
  // *out cleared; otherwise *out holds the interface with one reference added.
  virtual hx::ResultT QueryInterface(const ZORGUID& iid, void** out) = 0;
  // Both answer the new count.
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;

 protected:
  ~ZORUnknownI() = default;
};

class ZORClassFactoryI : public ZORUnknownI {
 public:
  // Makes a new object and answers its interface iid (the outer object is not used).
  virtual hx::ResultT CreateInstance(ZORUnknownI* outer, const ZORGUID& iid, void** out) = 0;
  // Keeps the server loaded while true is outstanding.
  virtual hx::ResultT LockServer(bool lock) = 0;

 protected:
  ~ZORClassFactoryI() = default;
};
