#pragma once
// ComFactoryC: the base of every class factory. A concrete factory names its class, makes new
// objects in CreateObject and offers a static Clone that makes another factory of its kind,
// which is what the tables of ComServerC hold:
//
//   class TrkTrackFooFactoryC : public ComFactoryC {
//    public:
//     TrkTrackFooFactoryC() : ComFactoryC("Foo", "Tarvosk.Foo") {}
//     ZORUnknownI* CreateObject() override { return new HWClass_FooC; }
//     static ComFactoryC* Clone() { return new TrkTrackFooFactoryC; }
//   };

#include <atomic>

#include "foundation/com/ZORUnknown.h"
#include "foundation/core/Text.h"

class ComFactoryC : public ZORClassFactoryI {
 public:
  // The factory starts with one reference, held by its maker.
  ComFactoryC(const StringC& className, const StringC& progid);
  ComFactoryC(const ComFactoryC&) = delete;
  ComFactoryC& operator=(const ComFactoryC&) = delete;
  virtual ~ComFactoryC() = default;

  hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override;
  // The factory's own count only: factories do not keep the server loaded (LockServer does).
  unsigned long AddRef() override;
  unsigned long Release() override;

  hx::ResultT CreateInstance(ZORUnknownI* outer, const ZORGUID& iid, void** out) override;
  hx::ResultT LockServer(bool lock) override;

  // A new object with no reference taken yet (count 0), or null.
  virtual ZORUnknownI* CreateObject() = 0;

  const StringC& GetClassName() const { return className_; }
  const StringC& GetProgId() const { return progid_; }

 private:
  std::atomic<long> refs_{1};
  StringC className_;
  StringC progid_;
};

// The Clone function of a factory kind.
using ComCloneFunctionT = ComFactoryC* (*)();
