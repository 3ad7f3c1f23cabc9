#include "platform/LinuxHost.h"

#include <dirent.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "foundation/core/Text.h"
#include "platform/MachineFile.h"

namespace {

constexpr const char* c_CpuDir = "/sys/devices/system/cpu";
constexpr const char* c_CpuInfo = "/proc/cpuinfo";
constexpr const char* c_BlockDir = "/sys/block";
constexpr const char* c_DrmDir = "/sys/class/drm";
constexpr int64_t c_SectorBytes = 512;
// The SCSI peripheral type of CD and DVD drives (sysfs device/type).
constexpr int64_t c_ScsiTypeRom = 5;
constexpr size_t c_LinkBuffer = 4096;
// More processors than any kernel numbers; a list that names more is not believed.
constexpr int64_t c_MaxCpuNumber = 65535;

// Block devices that are not disks of their own: memory and file-backed devices, and the
// volumes that device-mapper and md build on top of disks.
constexpr std::string_view c_NotDisks[] = {"loop", "ram", "zram", "dm-", "md"};
constexpr std::string_view c_OpticalPrefix = "sr";
constexpr std::string_view c_CardPrefix = "card";

std::string Attribute(const std::string& path) {
  std::string text;
  hx::ReadHostFile(path, text);
  return hx::Trim(text);
}

bool IntAttribute(const std::string& path, int64_t& value) { return hx::ParseInt64(Attribute(path), value); }

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

// The last part of a link's target ("" when it is not a link).
std::string LinkBase(const std::string& link) {
  char target[c_LinkBuffer];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return std::string();
  std::string_view t(target, static_cast<size_t>(n));
  while (t.size() > 1 && t.back() == '/') t.remove_suffix(1);
  const size_t slash = t.rfind('/');
  return std::string(slash == std::string_view::npos ? t : t.substr(slash + 1));
}

std::string MachineName() {
  struct utsname u;
  return ::uname(&u) == 0 ? std::string(u.machine) : std::string();
}

// --- processors -------------------------------------------------------------------------------

using CpuFieldsT = std::map<std::string, std::string>;

// The "name : value" fields of each processor block of /proc/cpuinfo, by processor number.
std::map<int64_t, CpuFieldsT> ParseCpuInfo(std::string_view text) {
  std::map<int64_t, CpuFieldsT> cpus;
  CpuFieldsT* current = nullptr;
  for (const std::string& line : hx::SplitLines(text)) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = hx::Trim(std::string_view(line).substr(0, colon));
    const std::string value = hx::Trim(std::string_view(line).substr(colon + 1));
    int64_t number = 0;
    if (name == "processor" && hx::ParseInt64(value, number)) current = &cpus[number];
    else if (current != nullptr) current->emplace(name, value);
  }
  return cpus;
}

std::string Field(const CpuFieldsT& fields, const char* name) {
  const auto it = fields.find(name);
  return it == fields.end() ? std::string() : it->second;
}

// "x86_64 (AuthenticAMD family 23 model 1 step 2 clock 1996 MHz)", the form Solaris gives its
// processors' implementation; "" when /proc/cpuinfo does not tell the family.
std::string Implementation(const CpuFieldsT& f, const std::string& machine, int64_t mhz) {
  const std::string family = Field(f, "cpu family");
  if (family.empty()) return std::string();
  return machine + " (" + Field(f, "vendor_id") + " family " + family + " model " + Field(f, "model") + " step " +
         Field(f, "stepping") + " clock " + std::to_string(mhz) + " MHz)";
}

int64_t ClockMHz(const CpuFieldsT& f) {
  char* end = nullptr;
  const std::string text = Field(f, "cpu MHz");
  const double mhz = std::strtod(text.c_str(), &end);
  return end == text.c_str() || !std::isfinite(mhz) || mhz < 0 ? 0 : static_cast<int64_t>(std::llround(mhz));
}

void ReadCpuStats(const std::string& base, hx::KStatChainT& chain) {
  const std::string cpuDir = base + c_CpuDir;
  const std::vector<int64_t> present = hx::ParseCpuList(Attribute(cpuDir + "/present"));
  std::vector<int64_t> online = hx::ParseCpuList(Attribute(cpuDir + "/online"));
  std::sort(online.begin(), online.end());
  std::string cpuinfoText;
  hx::ReadHostFile(base + c_CpuInfo, cpuinfoText);
  const std::map<int64_t, CpuFieldsT> cpuinfo = ParseCpuInfo(cpuinfoText);
  const std::string machine = MachineName();
  for (const int64_t cpu : present) {
    const std::string topology = cpuDir + "/cpu" + std::to_string(cpu) + "/topology/";
    int64_t chip = 0, core = 0;
    if (!IntAttribute(topology + "physical_package_id", chip) || !IntAttribute(topology + "core_id", core)) continue;
    const auto info = cpuinfo.find(cpu);
    const CpuFieldsT fields = info == cpuinfo.end() ? CpuFieldsT() : info->second;
    const int64_t mhz = ClockMHz(fields);
    hx::KStatT stat;
    stat.module = "cpu_info";
    stat.instance = cpu;
    stat.name = "cpu_info" + std::to_string(cpu);
    stat.ksClass = "misc";
    const bool isOnline = std::binary_search(online.begin(), online.end(), cpu);
    stat.values = {{"chip_id", std::to_string(chip)},
                   {"core_id", std::to_string(core)},
                   {"clock_MHz", std::to_string(mhz)},
                   {"brand", Field(fields, "model name")},
                   {"implementation", Implementation(fields, machine, mhz)},
                   {"cpu_type", machine},
                   {"vendor_id", Field(fields, "vendor_id")},
                   {"state", isOnline ? "on-line" : "off-line"}};
    chain.push_back(std::move(stat));
  }
}

// --- disks ------------------------------------------------------------------------------------

struct DiskT {
  std::string name;
  std::string driver;
  int64_t sectors = 0;
  bool optical = false;
  std::string vendor, model, revision, serial;
  std::vector<std::string> scsiAddress;  // host, channel, target, lun; empty when not SCSI
};

bool IsDiskName(const std::string& name) {
  return std::none_of(std::begin(c_NotDisks), std::end(c_NotDisks),
                      [&](std::string_view prefix) { return hx::StartsWith(name, prefix); });
}

// The first attribute of the list that the device has.
std::string FirstAttribute(const std::string& dir, std::initializer_list<const char*> names) {
  for (const char* n : names) {
    std::string value = Attribute(dir + n);
    if (!value.empty()) return value;
  }
  return std::string();
}

std::vector<DiskT> ScanDisks(const std::string& base) {
  std::vector<DiskT> disks;
  const std::string blockDir = base + c_BlockDir;
  for (const std::string& name : ListDir(blockDir)) {
    if (!IsDiskName(name)) continue;
    const std::string dir = blockDir + "/" + name + "/";
    DiskT d;
    d.name = name;
    if (!IntAttribute(dir + "size", d.sectors)) continue;
    d.driver = LinkBase(dir + "device/driver");
    int64_t scsiType = -1;
    d.optical = hx::StartsWith(name, c_OpticalPrefix) ||
                (IntAttribute(dir + "device/type", scsiType) && scsiType == c_ScsiTypeRom);
    d.vendor = Attribute(dir + "device/vendor");
    d.model = Attribute(dir + "device/model");
    d.revision = FirstAttribute(dir, {"device/rev", "device/firmware_rev"});
    d.serial = FirstAttribute(dir, {"device/serial", "serial"});
    const std::vector<std::string> address = hx::Split(LinkBase(dir + "device"), ':');
    if (address.size() == 4) d.scsiAddress = address;
    disks.push_back(std::move(d));
  }
  return disks;
}

void AddDiskStats(const std::vector<DiskT>& disks, hx::KStatChainT& chain) {
  int64_t instance = 0;
  for (const DiskT& d : disks) {
    hx::KStatT stat;
    stat.module = "sderr";
    stat.instance = instance++;
    stat.name = d.name + ",err";
    stat.ksClass = "device_error";
    stat.values = {{"Vendor", d.vendor},
                   {"Product", d.model},
                   {"Revision", d.revision},
                   {"Serial No", d.serial},
                   {"Size", std::to_string(d.sectors * c_SectorBytes)}};
    chain.push_back(std::move(stat));
  }
}

hx::DevPropT IntProp(const char* name, int64_t value) { return hx::DevPropT{name, hx::DevPropT::Int, {value}, {}}; }

void AddDiskNodes(const std::string& base, const std::vector<DiskT>& disks, hx::DevTreeT& tree) {
  for (const DiskT& d : disks) {
    hx::DevNodeT node;
    node.path = base + c_BlockDir + "/" + d.name;
    node.node = d.name;
    node.driver = d.driver;
    node.kernelName = d.name;
    node.nodetype = d.optical ? "ddi_block:cdrom" : "ddi_block";
    int64_t target = 0, lun = 0;
    if (!d.scsiAddress.empty() && hx::ParseInt64(d.scsiAddress[2], target) && hx::ParseInt64(d.scsiAddress[3], lun)) {
      node.props.push_back(hx::DevPropT{"class", hx::DevPropT::String, {}, "scsi"});
      node.props.push_back(IntProp("target", target));
      node.props.push_back(IntProp("lun", lun));
    }
    tree.push_back(std::move(node));
  }
}

// --- displays ---------------------------------------------------------------------------------

// "1024x768" of the first connected output of a card; false when none says.
bool FirstMode(const std::string& drmDir, const std::string& card, int64_t& width, int64_t& height) {
  for (const std::string& output : ListDir(drmDir)) {
    if (!hx::StartsWith(output, card + "-")) continue;
    const std::string dir = drmDir + "/" + output + "/";
    if (Attribute(dir + "status") != "connected") continue;
    std::string modes;
    hx::ReadHostFile(dir + "modes", modes);
    const std::vector<std::string> lines = hx::SplitLines(modes);
    if (lines.empty()) continue;
    const std::vector<std::string> wh = hx::Split(lines.front(), 'x');
    if (wh.size() == 2 && hx::ParseInt64(wh[0], width) && hx::ParseInt64(hx::Trim(wh[1]), height)) return true;
  }
  return false;
}

void AddDisplayNodes(const std::string& base, hx::DevTreeT& tree) {
  const std::string drmDir = base + c_DrmDir;
  for (const std::string& card : ListDir(drmDir)) {
    if (!hx::StartsWith(card, c_CardPrefix) || card.find('-') != std::string::npos) continue;
    hx::DevNodeT node;
    node.path = drmDir + "/" + card;
    node.node = card;
    node.driver = LinkBase(node.path + "/device/driver");
    node.kernelName = card;
    node.nodetype = "ddi_display";
    if (!node.driver.empty()) node.prom.push_back(hx::DevPropT{"model", hx::DevPropT::String, {}, node.driver});
    int64_t width = 0, height = 0;
    if (FirstMode(drmDir, card, width, height)) {
      node.prom.push_back(IntProp("width", width));
      node.prom.push_back(IntProp("height", height));
    }
    tree.push_back(std::move(node));
  }
}

}  // namespace

namespace hx {

std::vector<int64_t> ParseCpuList(std::string_view text) {
  std::vector<int64_t> cpus;
  for (const std::string& part : Split(Trim(text), ',', true)) {
    const std::vector<std::string> range = Split(part, '-');
    int64_t first = 0, last = 0;
    if (range.size() == 1 && ParseInt64(range[0], first)) cpus.push_back(first);
    else if (range.size() == 2 && ParseInt64(range[0], first) && ParseInt64(range[1], last) && first >= 0 &&
             first <= last && last <= c_MaxCpuNumber)
      for (int64_t c = first; c <= last; ++c) cpus.push_back(c);
  }
  return cpus;
}

void ReadLinuxKStats(const std::string& base, KStatChainT& chain) {
  ReadCpuStats(base, chain);
  AddDiskStats(ScanDisks(base), chain);
}

void ReadLinuxDevices(const std::string& base, DevTreeT& tree) {
  AddDiskNodes(base, ScanDisks(base), tree);
  AddDisplayNodes(base, tree);
}

ResultT LiveKStatChain(KStatChainT& chain) {
  ReadLinuxKStats(std::string(), chain);
  return RC_OK;
}

ResultT LiveDevTree(DevTreeT& tree) {
  ReadLinuxDevices(std::string(), tree);
  return RC_OK;
}

}  // namespace hx
