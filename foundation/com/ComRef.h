#pragma once
// Component references held in RefM: asking an object for an interface, and receiving one
// through an out parameter, without hand-written casts, AddRef or Release.

#include "foundation/com/ZORUnknown.h"
#include "foundation/core/RefCount.h"

namespace hx {

// The interface `iid` of `object` as I, holding the reference QueryInterface added; empty when
// the object is null or lacks the interface (rc, when given, says which).
template <typename I>
RefM<I> QueryRef(ZORUnknownI* object, const ZORGUID& iid, ResultT* rc = nullptr) {
  RefM<I> ref;
  const ResultT r = object != nullptr ? object->QueryInterface(iid, reinterpret_cast<void**>(ref.put())) : RC_INVALID_ARG;
  if (Failed(r)) ref.detach();  // a refusal leaves nothing to release
  if (rc != nullptr) *rc = r;
  return ref;
}

// The out parameter of a call that answers an interface as ZORUnknownI** (a name registry's
// GetInstance, say): the reference it hands out is taken over by `ref`.
template <typename I>
ZORUnknownI** OutUnknown(RefM<I>& ref) {
  return reinterpret_cast<ZORUnknownI**>(ref.put());
}

}  // namespace hx
