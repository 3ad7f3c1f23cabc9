#include "hardware/solaris/identity/HWClass_SolarisBIOS.h"

#include "hardware/solaris/identity/HWClass_Solaris.h"
#include "hardware/unix/SMBiosInfo.h"

namespace {

// The BIOS record's values.
constexpr const char* c_DmiVendor = "Vendor";
constexpr const char* c_DmiVersion = "Version";
constexpr const char* c_DmiReleaseDate = "Release Date";

}  // namespace

hx::ResultT HWClass_SolarisBIOS::GetInventory(HWInstanceListT& instances, StringC className,
                                              const PropertyMap& /*parameters*/) {
  return AddSingleInstance(instances, className, NameFrom(SMBiosInfoC::Instance()));
}

hx::ResultT HWClass_SolarisBIOS::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  AddBiosProperties(*instance, SMBiosInfoC::Instance(), HWClass_SolarisHardwareSerial::GenerateBIOSSerialNumber());
  return r;
}

StringC HWClass_SolarisBIOS::NameFrom(const SMBiosInfoC& smbios) {
  const StringC vendor = smbios.getDMIValue(SMBiosInfoC::c_TypeBIOS, c_DmiVendor);
  return vendor.empty() ? StringC(c_DefaultName) : vendor;
}

void HWClass_SolarisBIOS::AddBiosProperties(HWInstance& instance, const SMBiosInfoC& smbios,
                                            const StringC& serialNumber) {
  instance.AddProperty(c_SerialNumber, serialNumber);
  const RefM<SMBiosDataC> bios = smbios.findDMI(SMBiosInfoC::c_TypeBIOS);
  if (!bios) return;
  instance.AddProperty(c_Manufacturer, bios->GetValue(c_DmiVendor));
  instance.AddProperty(c_Version, bios->GetValue(c_DmiVersion));
  instance.AddProperty(c_ReleaseDate, ToIsoDateTime(bios->GetValue(c_DmiReleaseDate)));
}
