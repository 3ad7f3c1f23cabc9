#pragma once
// The mounted file systems of the machine (OSFileSystemCollectionC), as the file scan needs
// them to decide which file systems it may walk.
//
// Solaris keeps the table in /etc/mnttab: one line per mount, the fields special device, mount
// point, type, options and mount time separated by tabs, with no escapes (a tab cannot occur in
// a field). A Linux host has no /etc/mnttab; there the kernel's /proc/self/mounts serves: the
// fields are separated by blanks, and a blank, tab, line feed or backslash inside a field is
// written as a backslash and three octal digits ("\040"), which the reader decodes. Under a
// system root both files are looked for below the root only, so a fixture machine never mixes
// in the mounts of the host it is read on.
//
// Reading the table examines only the special devices that name a path (whether each is a
// block device); the status of a mount point, which on a network file system that stopped
// answering could block, is read only when a caller asks for its device number.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

// One line of the mount table.
struct MountEntryT {
  std::string special;     // the special device ("/dev/dsk/c0t0d0s0", "host:/export", "proc")
  std::string mountPoint;  // where it is mounted
  std::string type;        // the file system type name ("ufs", "nfs", "overlay")
  std::string options;
};

// The classification flags of a mounted file system.
constexpr uint32_t FS_LOCAL_BLOCK = 1;  // on a local block device
constexpr uint32_t FS_NETWORK = 2;      // reached over the network
constexpr uint32_t FS_REMOVABLE = 4;    // removable optical media (with FS_LOCAL_BLOCK)
constexpr uint32_t FS_PROCESS = 8;      // the process file system

// The lines of /etc/mnttab text: tab-separated fields taken as they are. A line with fewer
// than three fields (special, mount point, type) is skipped.
std::vector<MountEntryT> ParseMnttab(std::string_view text);
// The lines of /proc/self/mounts text: blank-separated fields with their octal escapes
// decoded. A line with fewer than three fields is skipped.
std::vector<MountEntryT> ParseProcMounts(std::string_view text);
// Decodes "\ooo" (three octal digits, value below 256) into that byte; any other backslash
// stays as it is.
std::string DecodeOctalEscapes(std::string_view field);

// The classification of one entry; specialIsBlockDevice tells whether the special device,
// examined as a path, is a block device.
uint32_t ClassifyMount(const MountEntryT& entry, bool specialIsBlockDevice);

// One mounted file system with its classification.
struct MountedFileSystemT {
  MountEntryT entry;
  uint32_t flags = 0;
};

class OSFileSystemCollectionC {
 public:
  // The table files, looked for under the system root.
  static constexpr const char* c_Mnttab = "/etc/mnttab";
  static constexpr const char* c_ProcMounts = "/proc/self/mounts";
  // A mount table is small; a file larger than this is not a mount table.
  static constexpr size_t c_MaxTableSize = size_t{16} << 20;

  // Reads and classifies the table: /etc/mnttab when it exists, else /proc/self/mounts. RC_OK,
  // or the error of the file that could not be read (the collection is then empty).
  HX_NODISCARD ResultT Read();
  const std::vector<MountedFileSystemT>& Entries() const { return entries_; }
  // The device number of a mount point (its status, following links), 0 when that fails.
  static uint64_t DeviceOf(const std::string& mountPoint);

 private:
  std::vector<MountedFileSystemT> entries_;
};

}  // namespace hx
