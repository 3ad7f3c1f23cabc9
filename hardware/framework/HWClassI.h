#pragma once
// HWClassI: the interface of a hardware class provider. The hardware step creates the provider
// that the configuration names for a class, hands it the instance list that every class of the
// step shares, and releases it again. Operations are declared in slot order.

#include "foundation/com/ZORUnknown.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "hardware/framework/HWInstance.h"
#include "hardware/framework/HardwareGuids.h"

class HWClassI : public ZORUnknownI {
 public:
  // Adds the instances of the class `className` to `instances` (appending them, or inserting
  // them where the provider's class belongs); never clears the list. `parameters` holds the
  // other values of the class's configuration key. A result code.
  HX_NODISCARD virtual hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) = 0;

 protected:
  ~HWClassI() = default;
};
