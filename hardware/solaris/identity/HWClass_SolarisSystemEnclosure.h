#pragma once
// HWClass_SolarisSystemEnclosure: the enclosure as the machine's SMBIOS chassis record
// describes it (manufacturer, serial number, chassis type).

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/unix/HWClass_UnixSystemEnclosure.h"

class HWClass_SolarisSystemEnclosure : public HWClass_UnixSystemEnclosure {
 public:
  // PopulateSMBios.
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

 protected:
  ~HWClass_SolarisSystemEnclosure() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisSystemEnclosure, "ZOR.hX.Tracker.SolarisSystemEnclosure.1")
