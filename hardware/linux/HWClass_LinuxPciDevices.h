#pragma once
// The providers of the PCI bus (/sys/bus/pci/devices), named through the hardware ID database
// (HardwareIds.h); without the database a device keeps its numeric ids only, never as a maker.
//
// HWClass_LinuxPCIDevice (provider "LinuxPCIDevice", class TVK_PCIDevice): every PCI function,
// instance name its address ("0000:00:02.0"):
//   DeviceID              the address
//   VendorID, ProductID   the ids ("8086", "1237"); SubsystemVendorID, SubsystemID likewise
//   Manufacturer          the vendor's name; Description the device's name
//   SubsystemManufacturer, SubsystemName   the subsystem's vendor and name, where listed
//   ClassCode             class, subclass and programming interface ("030000")
//   ClassName, SubclassName  their names in the database's class list
//   Revision              the revision ("02"); Driver the bound driver ("i915")
//
// HWClass_LinuxVideoController (provider "LinuxVideoController"): every display controller
// (PCI class 03), instance name and Name/Caption the device's name in the database (its address
// without one):
//   DeviceID              the address; AdapterCompatibility the vendor's name
//   Driver                the bound driver
//   CurrentHorizontalResolution, CurrentVerticalResolution  the first mode of the first
//                         connected output of its DRM card (/sys/class/drm/card<n>-<output>)

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxPCIDevice : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxPCIDevice() override = default;
};

class HWClass_LinuxVideoController : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxVideoController() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxPCIDevice, "ZOR.hX.Tracker.LinuxPCIDevice.1")
HX_HW_PROVIDER_FACTORY(LinuxVideoController, "ZOR.hX.Tracker.LinuxVideoController.1")
