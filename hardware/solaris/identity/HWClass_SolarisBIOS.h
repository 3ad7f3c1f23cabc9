#pragma once
// HWClass_SolarisBIOS: the firmware, one instance named by its vendor ("bios" when the SMBIOS
// table does not name one), with the serial number built from the host id and the zone, and
// the vendor, version and release date of the SMBIOS BIOS record when there is one.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class SMBiosInfoC;

class HWClass_SolarisBIOS : public HWClass_Unix {
 public:
  static constexpr const char* c_DefaultName = "bios";
  static constexpr const char* c_SerialNumber = "SerialNumber";
  static constexpr const char* c_Manufacturer = "Manufacturer";
  static constexpr const char* c_ReleaseDate = "ReleaseDate";

  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

  // The instance name for a table.
  static StringC NameFrom(const SMBiosInfoC& smbios);
  // "SerialNumber", then the BIOS record's values when the table has one.
  static void AddBiosProperties(HWInstance& instance, const SMBiosInfoC& smbios, const StringC& serialNumber);

 protected:
  ~HWClass_SolarisBIOS() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisBIOS, "ZOR.hX.Tracker.SolarisBIOS.1")
