#pragma once
// The hardware ID database: the names of PCI and USB vendors, devices, subsystems and device
// classes, from the ID files the distribution installs (pci.ids and usb.ids, in
// /usr/share/misc or /usr/share/hwdata). Their format is a tree by indentation:
//
//     8086  Intel Corporation                     a vendor
//     	1237  440FX - 82441FX PMC [Natoma]          one of its devices
//     		1af4 1100  Qemu virtual machine       a subsystem of that device
//     C 03  Display controller                    a device class (at the end of the file)
//     	00  VGA compatible controller               its subclass
//     		00  VGA controller                    its programming interface
//
// an id, two blanks and the name, "#" comments. A file holds tens of thousands of entries (pci.ids
// is over a megabyte): a run looks up only the ids of the devices it met, in one pass over the
// text, and keeps no table of the rest.

#include <string>
#include <string_view>
#include <vector>

#include "hardware/linux/MachineTree.h"

namespace hxlinux {

// The ids down the tree to one entry, as the file writes them (lower-case hexadecimal):
// {"8086", "1237"} for a device, {"8086", "1237", "1af4 1100"} for a subsystem, {"C 03", "00"}
// for a subclass.
using IdPathT = std::vector<std::string>;

// For each path, the names of the entries along it (one per id of the path, "" where the file
// has no such entry: a known vendor's unknown device gives {"Intel Corporation", ""}). One pass
// over `text`. Pure.
std::vector<std::vector<std::string>> LookupIds(std::string_view text, const std::vector<IdPathT>& paths);

enum class IdBusE { Pci, Usb };

// The same for the ID file of `bus` in the machine's tree; every name "" when the machine has no
// such file.
std::vector<std::vector<std::string>> LookupMachineIds(const MachineTreeC& tree, IdBusE bus,
                                                       const std::vector<IdPathT>& paths);

// A kernel's hexadecimal id ("0x8086", "8086\n") as the ID files write it: lower case, without
// "0x", `digits` wide ("8086"; the class "0x030000" at 6 digits is "030000"); "" when it is no
// such number. Pure.
std::string IdText(std::string_view kernelValue, size_t digits);

}  // namespace hxlinux
