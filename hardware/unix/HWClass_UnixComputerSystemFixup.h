#pragma once
// HWClass_UnixComputerSystemFixup: a provider that adds nothing. A configuration names it for
// a class that must stay listed (and so keep its place and its parameters) without producing
// instances of its own.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class HWClass_UnixComputerSystemFixup : public HWClass_Unix {
 public:
  // Adds nothing; 0.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_UnixComputerSystemFixup() override = default;
};

HX_HW_PROVIDER_FACTORY(UnixComputerSystemFixup, "ZOR.hX.Tracker.UnixComputerSystemFixup.1")
