#pragma once
// HWClass_LinuxDiskDrive (provider "LinuxDiskDrive"): every whole disk of /sys/block, the
// disks the system's block device listing shows as such: no partitions, loop, RAM, zram,
// device-mapper or md devices, optical drives or volumes built on other disks. Instance name
// the kernel's name (vda, sda, nvme0n1):
//
//   DeviceID          its device node, "/dev/<name>"
//   Size              bytes ("size" counts 512-byte sectors whatever the disk's own sector)
//   Model             the device's model (NVMe, SCSI, ATA, USB), its name (MMC), or the name of
//                     its PCI function in the hardware ID database (virtio)
//   Manufacturer      the PCI or USB vendor of the disk itself (NVMe, virtio, USB) from the ID
//                     database, else the kernel's vendor text; never the stand-in "ATA" that
//                     the ATA layer gives every disk
//   SerialNumber      "serial" of NVMe, virtio and MMC devices; the SCSI unit serial number page
//                     (VPD 0x80, readable by root only)
//   FirmwareRevision  the device's firmware revision
//   InterfaceType     nvme, sata, ata, sas, scsi, fc, iscsi, usb, virtio, mmc, xen
//   MediaType         "SSD" or "HDD", as queue/rotational says

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxDiskDrive : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxDiskDrive() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxDiskDrive, "ZOR.hX.Tracker.LinuxDiskDrive.1")
