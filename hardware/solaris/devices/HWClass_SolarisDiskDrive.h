#pragma once
// HWClass_SolarisDiskDrive: one instance per disk of the device tree (block devices that are
// neither CD-ROM nor diskette drives), named by driver and instance ("sd0", "cmdk1"; on Linux
// by the kernel's name, "vda", which driver and instance cannot express). The disk's own
// device properties and its error statistics ("sd0,err") give maker, model, revision, serial
// number and size; SCSI disks add their target and logical unit.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/solaris/devices/SolarisDevInfo.h"
#include "hardware/solaris/identity/HWClass_Solaris.h"
#include "platform/KStat.h"

class HWClass_SolarisDiskDrive : public HWClass_Solaris, public HWClass_SolarisDevice {
 public:
  static constexpr const char* c_DeviceType = "DeviceType";
  static constexpr const char* c_Manufacturer = "Manufacturer";
  static constexpr const char* c_Model = "Model";
  static constexpr const char* c_FirmwareRevision = "FirmwareRevision";
  static constexpr const char* c_SerialNumber = "SerialNumber";
  static constexpr const char* c_Size = "Size";
  static constexpr const char* c_InterfaceType = "InterfaceType";
  static constexpr const char* c_SCSILogicalUnit = "SCSILogicalUnit";
  static constexpr const char* c_SCSITargetId = "SCSITargetId";

  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // Block devices, except CD-ROM and diskette drives.
  bool FilterDevice(RefM<SolarisDevice> device) override;
  // The disk's instance, added unless the kernel statistics cannot be read (their error is
  // the result then).
  HX_NODISCARD hx::ResultT GetInventoryFromDevice(HWInstanceListT& instances, const StringC& className,
                                     const PropertyMap& parameters, RefM<SolarisDevice> device) override;

  // The instance name of a disk: its kernel name where the host gives one, else driver and
  // instance.
  static StringC DiskName(const hx::DevNodeT& node);
  // The disk's values: its device properties (integers as the decimal of their first number,
  // strings as their text), then every value of its error statistics.
  static PropertyMap DiskValues(const hx::DevNodeT& node, const StringC& diskName, const hx::KStatChainT& chain);
  // The disk properties of those values: the size from "Size", else block size times block
  // count, else the end of the file the devid names.
  static void AddDiskProperties(HWInstance& instance, const PropertyMap& values);

 protected:
  ~HWClass_SolarisDiskDrive() override = default;

 private:
  // The kernel statistics are read once per GetInventory, at the first disk.
  bool chainRead_ = false;
  hx::ResultT chainResult_ = hx::RC_OK;
  hx::KStatChainT chain_;
};

HX_HW_PROVIDER_FACTORY(SolarisDiskDrive, "ZOR.hX.Tracker.SolarisDiskDrive.1")
