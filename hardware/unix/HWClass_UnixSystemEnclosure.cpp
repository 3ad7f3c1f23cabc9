#include "hardware/unix/HWClass_UnixSystemEnclosure.h"

#include "foundation/core/Format.h"
#include "hardware/unix/SMBiosInfo.h"

namespace {

constexpr const char* c_IdFormat = "%d";
// The value names of the chassis record as the table tool prints them.
constexpr const char* c_DmiManufacturer = "Manufacturer";
constexpr const char* c_DmiSerialNumber = "Serial Number";
constexpr const char* c_DmiType = "Type";

}  // namespace

hx::ResultT HWClass_UnixSystemEnclosure::GetInventory(HWInstanceListT& instances, StringC className,
                                                      const PropertyMap& /*parameters*/) {
  return AddSingleInstance(instances, className, c_InstanceName);
}

hx::ResultT HWClass_UnixSystemEnclosure::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  if (hx::Succeeded(r)) instance->AddProperty(c_ChassisTypes, c_ChassisUnknown);
  return r;
}

hx::ResultT HWClass_UnixSystemEnclosure::PopulateSMBios(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  if (hx::Succeeded(r)) AddChassisProperties(*instance, SMBiosInfoC::Instance());
  return r;
}

void HWClass_UnixSystemEnclosure::AddChassisProperties(HWInstance& instance, const SMBiosInfoC& smbios) {
  const RefM<SMBiosDataC> chassis = smbios.findDMI(SMBiosInfoC::c_TypeChassis);
  if (!chassis) return;
  const StringC type = chassis->GetValue(c_DmiType);
  instance.AddProperty(c_Manufacturer, chassis->GetValue(c_DmiManufacturer));
  instance.AddProperty(c_SerialNumber, chassis->GetValue(c_DmiSerialNumber));
  instance.AddProperty(c_Type, type);
  instance.AddProperty(c_ChassisTypes, hx::Format(c_IdFormat, SMBiosInfoC::ChassisNameToID(type)));
}
