#pragma once
// What the device providers share of sysfs: where a device really sits (sysfs names a device
// through links: /sys/block/vda -> ../devices/pci0000:00/0000:00:02.0/virtio1/block/vda), and
// the PCI functions with their names from the hardware ID database.

#include <string>
#include <string_view>
#include <vector>

#include "hardware/linux/MachineTree.h"

namespace hxlinux {

// `path` with every link on the way followed inside the machine's tree, "." and ".." taken
// away: the device's own directory below /sys/devices. At most 40 links are followed; past
// that, or where a link cannot be read, the path as far as it was resolved.
std::string CanonicalPath(const MachineTreeC& tree, std::string_view path);

// Whether a directory name is a PCI address ("0000:00:02.0"). Pure.
bool IsPciAddress(std::string_view name);

// The directory of the PCI function a device hangs off: the deepest PCI address in its
// canonical path ("/sys/devices/pci0000:00/0000:00:02.0"); "" when there is none. Pure.
std::string PciFunctionOf(std::string_view canonical);

// One PCI function of /sys/bus/pci/devices, its ids as the ID database writes them ("8086",
// the class "030000") and their names there ("" where the database, or the machine, has none).
struct PciDeviceT {
  std::string address;  // "0000:00:02.0"
  std::string vendorId, deviceId, subVendorId, subDeviceId, classCode, revision;
  std::string driver;
  std::string vendor, device, subVendor, subsystem, className, subclassName;
};

// The functions in the sysfs directories `dirs` (/sys/bus/pci/devices/<address> or a device's
// canonical directory), named with one pass over the ID database.
std::vector<PciDeviceT> ReadPciDevices(const MachineTreeC& tree, const std::vector<std::string>& dirs);

}  // namespace hxlinux
