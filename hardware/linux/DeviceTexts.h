#pragma once
// The text formats the Linux device providers read, as pure functions (each is run by the fuzz
// target tests/fuzz/fuzz_linux_devices.cpp): the kernel's cpu lists and /proc/cpuinfo, the mount
// table /proc/self/mountinfo, the file system sizes of a machine snapshot, a display output's
// mode list and a SCSI disk's serial number page.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hxlinux {

// The numbers of a kernel cpu list ("0-3,6,8-9"), in its order; malformed parts and numbers past
// 65535 are skipped.
std::vector<int64_t> ParseCpuList(std::string_view text);

// The "name : value" fields of each processor block of /proc/cpuinfo, by the block's
// "processor" number; fields before the first block (ARM's shared lines) go to every block.
using CpuFieldsT = std::map<std::string, std::string>;
std::map<int64_t, CpuFieldsT> ParseCpuInfo(std::string_view text);

// One line of /proc/<pid>/mountinfo: the mounted device, where, and the file system type.
struct MountT {
  std::string source;
  std::string mountPoint;
  std::string fileSystem;
};

// The mounts of a mountinfo text in its order (the order of mounting), with the kernel's octal
// escapes ("\040" for a blank) undone; lines without the " - " separator or with too few fields
// are skipped.
std::vector<MountT> ParseMountInfo(std::string_view text);

// Whether a file system of this type holds no data of a device or a server of its own (proc,
// tmpfs, cgroup, overlay, ...): the types the system's mount listing leaves out when asked for
// real file systems only.
bool IsPseudoFileSystem(std::string_view type);

// What statvfs gives of one file system: the fragment size its counts are in, and the blocks in
// all, free, and available to an ordinary user.
struct StatvfsT {
  uint64_t blockSize = 0;
  uint64_t blocks = 0;
  uint64_t free = 0;
  uint64_t available = 0;
};

// The snapshot file ".snapshot/statvfs": "<mount point> <block size> <blocks> <free>
// <available>" per line, the mount point escaped as in mountinfo. Lines that are not five
// fields of which the last four are numbers are skipped; a later line for the same mount point
// replaces an earlier one.
std::map<std::string, StatvfsT> ParseStatvfsSnapshot(std::string_view text);

// The first mode ("1920x1080") of a DRM output's "modes" list; false when it has none.
bool FirstMode(std::string_view modes, int64_t& width, int64_t& height);

// The serial number in a SCSI unit serial number page (VPD page 0x80, as sysfs gives it in
// vpd_pg80): the page's text trimmed of blanks; "" when the page is no such page or holds no
// printable text.
std::string VpdSerial(std::string_view page);

}  // namespace hxlinux
