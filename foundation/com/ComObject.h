#pragma once
// ComObjectM: the object side of a component in a few lines. A provider class derives from
// ComObjectM<ItsInterfaceI, IID_ItsInterface> and implements the interface's own operations;
// QueryInterface answers the base interface and the class's own identifier with the same
// object, and every reference also counts in the process-wide server count, so that the code
// stays loaded while any object lives. The object deletes itself at count 0.
//
//   class HWClass_UnixFooC : public ComObjectM<HWClassI, IID_HWClass> { ... };

#include <atomic>

#include "foundation/com/ComServerCounter.h"
#include "foundation/com/ZORUnknown.h"
#include "foundation/core/Nodiscard.h"

template <typename InterfaceT, const ZORGUID& Iid>
class ComObjectM : public InterfaceT {
 public:
  ComObjectM() = default;
  ComObjectM(const ComObjectM&) = delete;
  ComObjectM& operator=(const ComObjectM&) = delete;

  HX_NODISCARD hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override {
    if (out == nullptr) return hx::RC_INVALID_ARG;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != Iid) return hx::RC_NO_INTERFACE;
    *out = static_cast<InterfaceT*>(this);
    AddRef();
    return hx::RC_OK;
  }

  unsigned long AddRef() override {
    ComServerCounterC::Increment();
    return static_cast<unsigned long>(refs_.fetch_add(1, std::memory_order_relaxed) + 1);
  }

  unsigned long Release() override {
    ComServerCounterC::Decrement();
    const long left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return static_cast<unsigned long>(left);
  }

 protected:
  virtual ~ComObjectM() = default;

 private:
  std::atomic<long> refs_{0};
};
