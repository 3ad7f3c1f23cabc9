#pragma once
// HWClass_LinuxLogicalDisk (provider "LinuxLogicalDisk"): every mounted file system that holds
// data of a device or a server, the ones the system's mount listing shows as real file systems
// (no proc, sysfs, tmpfs, cgroup, overlay, ...), from the process's mount table
// /proc/self/mountinfo. Instance name the mount point; a mount point mounted over is the file
// system seen there now:
//
//   DeviceID      the mount point
//   ProviderName  the mounted device or share ("/dev/vda1", "server:/export")
//   FileSystem    its type ("ext4", "nfs4", "fuse.sshfs")
//   Size          bytes: statvfs's blocks times its fragment size
//   FreeSpace     bytes available to an ordinary user
//
// The sizes are measured on the live host only; each file system not on a local device (its
// source no /dev path: a server's share, a FUSE daemon's) gets at most c_NetworkStatTimeout to
// answer, so that a server gone away does not hold the run. Under a system root they come from the snapshot file <root>/.snapshot/statvfs
// (docs/machine-snapshots.md): without it the file systems have no sizes.

#include <chrono>

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxLogicalDisk : public HWClass_Linux {
 public:
  static constexpr std::chrono::seconds c_NetworkStatTimeout{5};

  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxLogicalDisk() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxLogicalDisk, "ZOR.hX.Tracker.LinuxLogicalDisk.1")
