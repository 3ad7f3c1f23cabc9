#pragma once
// The live sources of the kernel statistics and the device tree on a Linux host, for a run
// without a system root: the same model the Solaris snapshot gives, filled from /sys and /proc.
//
// - Processors: one "cpu_info" statistic per processor the kernel knows (/sys/devices/system/
//   cpu/present), with chip_id and core_id from its topology (physical_package_id, core_id),
//   brand, vendor_id and clock_MHz from /proc/cpuinfo, and state from the "online" list. A
//   processor whose topology cannot be read is left out.
// - Disks: every device of /sys/block except loop, ram, zram, device-mapper and md devices,
//   one device node (node type ddi_block, or ddi_block:cdrom for optical drives) named by its
//   kernel name (vda, sda, nvme0n1), with the SCSI class, target and lun of SCSI devices; and
//   one "device_error" statistic "<name>,err" with Vendor, Product, Revision, Serial No (the
//   device's sysfs attributes, where present) and Size (the 512-byte sectors of "size").
// - Display controllers: every /sys/class/drm/card<n>, node type ddi_display, with its driver
//   as PROM "model" and the first mode of its first connected output as "width" and "height".
//
// Everything is read below `base` ("" for the host; tests pass a directory laid out the same).

#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Result.h"
#include "platform/DevInfo.h"
#include "platform/KStat.h"

namespace hx {

// The statistics and the tree of the host; always 0 (what cannot be read is left out).
ResultT LiveKStatChain(KStatChainT& chain);
ResultT LiveDevTree(DevTreeT& tree);

// The same below `base`.
void ReadLinuxKStats(const std::string& base, KStatChainT& chain);
void ReadLinuxDevices(const std::string& base, DevTreeT& tree);

// The numbers of a kernel cpu list ("0-3,6,8-9"); malformed parts and numbers past 65535 are
// skipped. Pure.
std::vector<int64_t> ParseCpuList(std::string_view text);

}  // namespace hx
