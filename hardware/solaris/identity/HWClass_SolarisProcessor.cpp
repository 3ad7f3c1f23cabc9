#include "hardware/solaris/identity/HWClass_SolarisProcessor.h"

#include "foundation/core/Format.h"

namespace {

constexpr const char* c_DeviceIdFormat = "CPU%d";
constexpr const char* c_NumberFormat = "%ld";

}  // namespace

hx::ResultT HWClass_SolarisProcessor::GetInventory(HWInstanceListT& instances, StringC className,
                                                   const PropertyMap& /*parameters*/) {
  return AddChips(instances, className, KStatCpuInfoC::Instance());
}

hx::ResultT HWClass_SolarisProcessor::AddChips(HWInstanceListT& instances, const StringC& className,
                                               const KStatCpuInfoC& cpus) {
  hx::ResultT r = hx::RC_OK;
  for (const KStatChipC& chip : cpus.chips()) {
    RefM<HWInstance> instance = MakeInstance(className, chip.name());
    r = PopulateInstance(instance);
    instance->AddProperty(c_Description, chip.description());
    instance->AddProperty(c_DeviceID, hx::Format(c_DeviceIdFormat, chip.id()));
    instance->AddProperty(c_MaxClockSpeed, hx::Format(c_NumberFormat, chip.clockMHz()));
    instance->AddProperty(c_Manufacturer, chip.vendor());
    instance->AddProperty(c_NumberOfCores, hx::Format(c_NumberFormat, static_cast<long>(chip.cores().size())));
    instance->AddProperty(c_NumberOfLogicalProcessors, hx::Format(c_NumberFormat, chip.getThreadCount()));
    instances.push_back(instance);
  }
  return r;
}
