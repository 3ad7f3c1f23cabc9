#pragma once
// The device tree as the device providers read it: one node per device, in the order of a
// children-first walk, each with its device properties and its PROM properties.
//
// With a system root the tree comes from "<root>/.snapshot/devinfo", blocks of lines separated
// by an empty line, one block per node:
//     path /pci@0,0/pci8086,340a@3/pci1000,3150@0/sd@1,0
//     node sd
//     driver sd                          (absent when no driver is bound)
//     instance 1
//     nodetype ddi_block:channel         (node type of the first minor node; absent when none)
//     prop inquiry-vendor-id string SEAGATE
//     prop device-nblocks int64 286749488
//     prop lun int 0
//     prop removable-media boolean
//     prom model string QEMU VGA
//     prom width int 1024
// "#" starts a comment line. Without a root there is no source: the tree is a Solaris kernel's
// own, and a Linux host has providers of its own for its disks and displays (hardware/linux/).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

struct DevPropT {
  enum TypeE { Int, Int64, String, Boolean };
  std::string name;
  TypeE type = Boolean;
  std::vector<int64_t> ints;  // Int and Int64: at least one number
  std::string text;           // String
};

struct DevNodeT {
  std::string path;
  std::string node;
  std::string driver;
  int64_t instance = -1;
  std::string nodetype;
  std::vector<DevPropT> props;
  std::vector<DevPropT> prom;
  // The name the host's kernel gives the device where driver and instance cannot express it.
  // Empty: a Solaris node is named by driver and instance, and no source here fills it.
  std::string kernelName;

  const DevPropT* FindProm(std::string_view name) const;
};

using DevTreeT = std::vector<DevNodeT>;

// Reads the snapshot format above. Unknown keywords, malformed "prop" and "prom" lines (a type
// it does not know, an integer list that does not parse) and blocks with neither a path nor a
// node name are skipped; an instance that is not a number stays -1. Pure.
DevTreeT ParseDevinfoSnapshot(std::string_view text);

// Takes the device tree from the snapshot of the system root. 0, or an error-number result when
// the tree cannot be read: ENOENT for a missing snapshot, ENOSYS without a system root.
HX_NODISCARD ResultT DevInfoReadTree(DevTreeT& tree);

// The end offset of the file at `path` (under the system root), opened read-only and closed
// again; -1 when it cannot be opened or is not an absolute path.
int64_t DeviceEndOffset(const std::string& path);

}  // namespace hx
