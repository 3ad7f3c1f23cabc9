#include "hardware/linux/HWClass_LinuxOperatingSystem.h"

#include <sys/utsname.h>

#include <map>

#include "foundation/files/SysRoot.h"
#include "foundation/time/IsoDateTime.h"
#include "hardware/linux/LinuxTexts.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

constexpr const char* c_LinuxOSType = "36";
constexpr const char* c_DefaultSystemName = "Linux";
constexpr const char* c_ZoneinfoMark = "zoneinfo/";

std::string Architecture(const hxlinux::MachineTreeC& tree) {
  std::string arch = tree.Value("/proc/sys/kernel/arch");
  // Older kernels do not publish it; the live host still knows its own.
  struct utsname names {};
  if (arch.empty() && hx::SystemRoot().empty() && ::uname(&names) == 0) arch = names.machine;
  return arch;
}

std::string TimeZone(const hxlinux::MachineTreeC& tree) {
  const std::string zone = tree.Value("/etc/timezone");
  if (!zone.empty()) return zone.substr(0, zone.find('\n'));
  std::string target;
  if (!tree.Link("/etc/localtime", target)) return std::string();
  const size_t mark = target.find(c_ZoneinfoMark);
  return mark == std::string::npos ? std::string()
                                   : target.substr(mark + std::char_traits<char>::length(c_ZoneinfoMark));
}

std::string BootTime(const hxlinux::MachineTreeC& tree) {
  std::string stat;
  const int64_t boot = tree.Read("/proc/stat", stat) ? hxlinux::BootTime(stat) : -1;
  if (boot <= 0) return std::string();
  IsoDateTimeC when;  // universal time, as every operating system class writes it
  when.Set(static_cast<time_t>(boot));
  StringC iso;
  return hx::Failed(when.toString(&iso, false)) ? std::string() : iso;
}

// Kilobytes, as the operating system class counts memory.
std::string Kilobytes(int64_t bytes) { return bytes < 0 ? std::string() : std::to_string(bytes / 1024); }

}  // namespace

hx::ResultT HWClass_LinuxOperatingSystem::GetInventory(HWInstanceListT& instances, StringC className,
                                                       const PropertyMap& /*parameters*/) {
  const std::string name = Tree().Value("/proc/sys/kernel/ostype");
  return AddSingleInstance(instances, className, name.empty() ? c_DefaultSystemName : name);
}

hx::ResultT HWClass_LinuxOperatingSystem::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  const hxlinux::MachineTreeC& tree = Tree();
  // The administrator's copy, then the one the distribution ships; neither: no release.
  std::string text;
  if (!tree.Read("/etc/os-release", text)) text = tree.Text("/usr/lib/os-release");
  std::map<std::string, std::string> release = hxlinux::ParseOsRelease(text);
  const std::string caption =
      !release["PRETTY_NAME"].empty() ? release["PRETTY_NAME"] : hx::Trim(release["NAME"] + " " + release["VERSION"]);
  EnvPreferencesC prefs;
  instance->AddProperty("Caption", caption);
  instance->AddProperty("Version", release["VERSION_ID"]);
  instance->AddProperty("CSName", prefs.GetValue(TrkPreferencesC::c_MachineName));
  instance->AddProperty("OSType", c_LinuxOSType);
  instance->AddProperty("KernelRelease", tree.Value("/proc/sys/kernel/osrelease"));
  instance->AddProperty("OSArchitecture", Architecture(tree));
  instance->AddProperty("LastBootUpTime", BootTime(tree));
  instance->AddProperty("TimeZone", TimeZone(tree));
  std::string meminfo = tree.Text("/proc/meminfo");
  instance->AddProperty("TotalVisibleMemorySize", Kilobytes(hxlinux::MeminfoBytes(meminfo, "MemTotal")));
  instance->AddProperty("FreePhysicalMemory", Kilobytes(hxlinux::MeminfoBytes(meminfo, "MemFree")));
  return r;
}
