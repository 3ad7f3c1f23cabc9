#pragma once
// ZORHXTCIMProviderI: the other kind of provider the hardware step accepts. No class of this
// program implements it; a component loaded from a module may, and then writes its entities
// into the inventory itself instead of returning instances. Operations are declared in slot
// order.

#include "foundation/com/ZORString.h"
#include "foundation/com/ZORUnknown.h"
#include "hardware/framework/HardwareGuids.h"

class ZORHXTInventoryI;
class ZORHXTTrackerI;
class ZORHXContextI;

class ZORHXTCIMProviderI : public ZORUnknownI {
 public:
  // Adds the class's entities to the inventory.
  virtual hx::ResultT Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker, ZORHXContextI* context) = 0;
  // The class the next Track is for, as the configuration names it.
  virtual hx::ResultT SetClassName(ZORStringC className) = 0;

 protected:
  ~ZORHXTCIMProviderI() = default;
};
