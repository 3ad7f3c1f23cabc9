#include "hardware/linux/DeviceTexts.h"

#include <algorithm>
#include <iterator>

#include "foundation/core/Text.h"

namespace hxlinux {
namespace {

// More processors than any kernel numbers; a list that names more is not believed.
constexpr int64_t c_MaxCpuNumber = 65535;
constexpr size_t c_MountPointField = 4;
constexpr size_t c_StatvfsFields = 5;
constexpr size_t c_VpdHeader = 4;
constexpr unsigned char c_UnitSerialPage = 0x80;

// The file system types that hold no device's or server's data, sorted: those the system's
// mount library counts as pseudo file systems.
constexpr std::string_view c_PseudoFileSystems[] = {"anon_inodefs",
                                                    "apparmorfs",
                                                    "autofs",
                                                    "bdev",
                                                    "binder",
                                                    "binfmt_misc",
                                                    "bpf",
                                                    "cgroup",
                                                    "cgroup2",
                                                    "configfs",
                                                    "cpuset",
                                                    "debugfs",
                                                    "devfs",
                                                    "devpts",
                                                    "devtmpfs",
                                                    "dlmfs",
                                                    "dmabuf",
                                                    "drm",
                                                    "efivarfs",
                                                    "fuse",
                                                    "fuse.archivemount",
                                                    "fuse.avfsd",
                                                    "fuse.dumpfs",
                                                    "fuse.encfs",
                                                    "fuse.gvfs-fuse-daemon",
                                                    "fuse.gvfsd-fuse",
                                                    "fuse.lxcfs",
                                                    "fuse.rofiles-fuse",
                                                    "fuse.vmware-vmblock",
                                                    "fuse.xwmfs",
                                                    "fusectl",
                                                    "hugetlbfs",
                                                    "ipathfs",
                                                    "mqueue",
                                                    "nfsd",
                                                    "none",
                                                    "nsfs",
                                                    "overlay",
                                                    "pipefs",
                                                    "proc",
                                                    "pstore",
                                                    "ramfs",
                                                    "resctrl",
                                                    "rootfs",
                                                    "rpc_pipefs",
                                                    "securityfs",
                                                    "selinuxfs",
                                                    "smackfs",
                                                    "sockfs",
                                                    "spufs",
                                                    "sysfs",
                                                    "tmpfs",
                                                    "tracefs",
                                                    "vboxsf",
                                                    "virtiofs"};

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// Undoes the kernel's escapes of blanks, tabs, line feeds and backslashes ("\040").
std::string Unescaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

std::vector<int64_t> ParseCpuList(std::string_view text) {
  std::vector<int64_t> cpus;
  for (const std::string& part : hx::Split(hx::Trim(text), ',', true)) {
    const std::vector<std::string> range = hx::Split(part, '-');
    int64_t first = 0, last = 0;
    if (range.size() == 1 && hx::ParseInt64(range[0], first) && first >= 0 && first <= c_MaxCpuNumber)
      cpus.push_back(first);
    else if (range.size() == 2 && hx::ParseInt64(range[0], first) && hx::ParseInt64(range[1], last) && first >= 0 &&
             first <= last && last <= c_MaxCpuNumber)
      for (int64_t c = first; c <= last; ++c) cpus.push_back(c);
  }
  return cpus;
}

std::map<int64_t, CpuFieldsT> ParseCpuInfo(std::string_view text) {
  std::map<int64_t, CpuFieldsT> cpus;
  CpuFieldsT shared;
  CpuFieldsT* current = nullptr;
  for (const std::string& line : hx::SplitLines(text)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = hx::Trim(std::string_view(line).substr(0, colon));
    std::string value = hx::Trim(std::string_view(line).substr(colon + 1));
    int64_t number = 0;
    if (name == "processor" && hx::ParseInt64(value, number)) {
      current = &cpus[number];
      current->insert(shared.begin(), shared.end());
    } else if (current != nullptr) {
      current->emplace(std::move(name), std::move(value));
    } else {
      shared.emplace(std::move(name), std::move(value));
    }
  }
  return cpus;
}

std::vector<MountT> ParseMountInfo(std::string_view text) {
  std::vector<MountT> mounts;
  for (const std::string& line : hx::SplitLines(text)) {
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    const std::vector<std::string> before = hx::Split(std::string_view(line).substr(0, dash), ' ', true);
    const std::vector<std::string> after = hx::Split(std::string_view(line).substr(dash + 3), ' ', true);
    if (before.size() <= c_MountPointField || after.size() < 2) continue;
    mounts.push_back(MountT{Unescaped(after[1]), Unescaped(before[c_MountPointField]), Unescaped(after[0])});
  }
  return mounts;
}

bool IsPseudoFileSystem(std::string_view type) {
  return std::binary_search(std::begin(c_PseudoFileSystems), std::end(c_PseudoFileSystems), type);
}

std::map<std::string, StatvfsT> ParseStatvfsSnapshot(std::string_view text) {
  std::map<std::string, StatvfsT> sizes;
  for (const std::string& line : hx::SplitLines(text)) {
    const std::vector<std::string> f = hx::Split(line, ' ', true);
    StatvfsT s;
    if (f.size() != c_StatvfsFields || f[0].empty() || !hx::ParseUInt64(f[1], s.blockSize) ||
        !hx::ParseUInt64(f[2], s.blocks) || !hx::ParseUInt64(f[3], s.free) || !hx::ParseUInt64(f[4], s.available))
      continue;
    sizes[Unescaped(f[0])] = s;
  }
  return sizes;
}

bool FirstMode(std::string_view modes, int64_t& width, int64_t& height) {
  const std::string first = hx::Trim(modes.substr(0, modes.find('\n')));
  const size_t x = first.find('x');
  if (x == std::string::npos) return false;
  // Interlaced modes end in "i" ("1920x1080i").
  std::string_view h = std::string_view(first).substr(x + 1);
  if (!h.empty() && h.back() == 'i') h.remove_suffix(1);
  return hx::ParseInt64(std::string_view(first).substr(0, x), width) && hx::ParseInt64(h, height) && width > 0 &&
         height > 0;
}

std::string VpdSerial(std::string_view page) {
  if (page.size() < c_VpdHeader || static_cast<unsigned char>(page[1]) != c_UnitSerialPage) return std::string();
  const size_t length =
      (static_cast<size_t>(static_cast<unsigned char>(page[2])) << 8) | static_cast<unsigned char>(page[3]);
  std::string_view serial = page.substr(c_VpdHeader, length);
  serial = serial.substr(0, serial.find('\0'));  // some units pad with zero bytes
  const bool printable = std::all_of(serial.begin(), serial.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
  return printable ? hx::Trim(serial) : std::string();
}

}  // namespace hxlinux
