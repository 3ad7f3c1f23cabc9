#pragma once
// HWClass_UnixSystemEnclosure: the machine's enclosure, one instance named "sysenc". The
// generic form knows nothing of the chassis and reports its type as unknown (2); the form
// that reads the SMBIOS chassis record (PopulateSMBios) is what the Solaris enclosure uses.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class SMBiosInfoC;

class HWClass_UnixSystemEnclosure : public HWClass_Unix {
 public:
  static constexpr const char* c_InstanceName = "sysenc";
  static constexpr const char* c_ChassisTypes = "ChassisTypes";
  static constexpr const char* c_Manufacturer = "Manufacturer";
  static constexpr const char* c_SerialNumber = "SerialNumber";
  static constexpr const char* c_Type = "Type";
  // The chassis type number of an enclosure nothing is known about.
  static constexpr const char* c_ChassisUnknown = "2";

  // One instance, appended; the result of PopulateInstance.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // "Name" and "ChassisTypes" = 2.
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

  // "Name" and, from the machine's SMBIOS chassis record (type 3) when there is one,
  // "Manufacturer", "SerialNumber", "Type" and "ChassisTypes" (the number of the type name).
  HX_NODISCARD hx::ResultT PopulateSMBios(RefM<HWInstance> instance);
  // The chassis part of that from a given table.
  static void AddChassisProperties(HWInstance& instance, const SMBiosInfoC& smbios);

 protected:
  ~HWClass_UnixSystemEnclosure() override = default;
};

HX_HW_PROVIDER_FACTORY(UnixSystemEnclosure, "ZOR.hX.Tracker.UnixSystemEnclosure.1")
