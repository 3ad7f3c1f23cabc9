#include "hardware/linux/LinuxVirtualization.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

#include "foundation/core/Text.h"
#include "foundation/files/SysRoot.h"

namespace hxlinux {
namespace {

constexpr const char* c_Kvm = "kvm";
constexpr const char* c_Qemu = "qemu";
constexpr const char* c_Xen = "xen";
constexpr const char* c_Microsoft = "microsoft";
constexpr const char* c_Oracle = "oracle";
constexpr const char* c_Amazon = "amazon";
constexpr const char* c_Parallels = "parallels";
constexpr const char* c_Google = "google";
constexpr const char* c_VmOther = "vm-other";
constexpr const char* c_ContainerOther = "container-other";

struct NameT {
  const char* evidence;
  const char* id;
};

// DMI names that start with these are virtual machines. OpenStack and KubeVirt run KVM.
// clang-format off
constexpr NameT c_DmiVendors[] = {
    {"KVM", c_Kvm}, {"OpenStack", c_Kvm}, {"KubeVirt", c_Kvm}, {"Amazon EC2", c_Amazon}, {"QEMU", c_Qemu},
    {"VMware", "vmware"}, {"VMW", "vmware"}, {"innotek GmbH", c_Oracle}, {"VirtualBox", c_Oracle},
    {"Oracle Corporation", c_Oracle}, {"Xen", c_Xen}, {"Bochs", "bochs"}, {"Parallels", c_Parallels},
    {"BHYVE", "bhyve"}, {"Hyper-V", c_Microsoft}, {"Apple Virtualization", "apple"},
    {"Google Compute Engine", c_Google}};
// clang-format on

// The signatures hypervisors give the processor. QEMU with KVM shows KVM's, with Hyper-V's
// enlightenments its own "Linux KVM Hv"; QEMU alone shows TCG's.
constexpr NameT c_CpuSignatures[] = {
    {"XenVMMXenVMM", c_Xen},    {"KVMKVMKVM", c_Kvm},          {"Linux KVM Hv", c_Kvm},   {"TCGTCGTCGTCG", c_Qemu},
    {"VMwareVMware", "vmware"}, {"Microsoft Hv", c_Microsoft}, {"bhyve bhyve ", "bhyve"}, {"QNXQVMBSQG", "qnx"},
    {"ACRNACRNACRN", "acrn"},   {"SRESRESRESRE", "sre"},       {"Apple VZ", "apple"},
};

// A captured machine's paravirtual clock sources, which only these hypervisors offer.
constexpr NameT c_ClockSources[] = {
    {"kvm-clock", "KVMKVMKVM"}, {"hyperv_clocksource", "Microsoft Hv"}, {"xen", "XenVMMXenVMM"}};

// The container names a container manager leaves for its guests.
constexpr const char* c_Containers[] = {"lxc", "lxc-libvirt", "systemd-nspawn", "docker", "podman",
                                        "rkt", "wsl",         "proot",          "pouch"};

// The cgroup of PID 1 in the managers' own hierarchies.
constexpr NameT c_CgroupMarks[] = {
    {"/docker/", "docker"}, {"/docker-", "docker"}, {"/lxc/", "lxc"}, {"/lxc.payload", "lxc"}};

constexpr unsigned c_XenDom0Feature = 11;
constexpr size_t c_BiosExtensionByte2 = 19;
constexpr unsigned c_BiosVirtualMachineBit = 1u << 4;

// The first line of a file, without its end ('\n', or '\0' as in the device tree); false when
// the file cannot be read.
bool FirstLine(const MachineTreeC& tree, std::string_view path, std::string& line) {
  if (!tree.Read(path, line)) return false;
  line.resize(std::min({line.find('\n'), line.find('\0'), line.size()}));
  return true;
}

std::string Line(const MachineTreeC& tree, std::string_view path) {
  std::string line;
  FirstLine(tree, path, line);
  return line;
}

enum class VmBitE { Set, Unset, Unknown };

// The firmware's own word (BIOS characteristics extension byte 2) that the machine is virtual.
VmBitE SmbiosVmBit(const MachineTreeC& tree) {
  std::string raw;
  if (!tree.Read("/sys/firmware/dmi/entries/0-0/raw", raw) || raw.size() <= c_BiosExtensionByte2 ||
      static_cast<uint8_t>(raw[1]) <= c_BiosExtensionByte2)
    return VmBitE::Unknown;
  return (static_cast<uint8_t>(raw[c_BiosExtensionByte2]) & c_BiosVirtualMachineBit) != 0 ? VmBitE::Set : VmBitE::Unset;
}

std::string DmiVm(const MachineTreeC& tree, const DmiNamesT& dmi) {
  std::string found = c_VirtNone;
  // The product name first: KVM's is "KVM" where the vendor still says "QEMU".
  for (const std::string* name :
       {&dmi.productName, &dmi.systemVendor, &dmi.boardVendor, &dmi.biosVendor, &dmi.productVersion}) {
    for (const NameT& v : c_DmiVendors) {
      if (found == c_VirtNone && hx::StartsWith(*name, v.evidence)) found = v.id;
    }
  }
  // Amazon names its bare-metal machines the same way: the firmware tells them apart, or else
  // the ".metal" in their product name.
  if (found == c_Amazon) {
    const VmBitE bit = SmbiosVmBit(tree);
    if (bit != VmBitE::Unknown) return bit == VmBitE::Set ? c_Amazon : c_VirtNone;
    const size_t metal = dmi.productName.find(".metal");
    const size_t after = metal + std::char_traits<char>::length(".metal");
    const bool isMetal =
        metal != std::string::npos && (after == dmi.productName.size() || dmi.productName[after] == '-');
    return isMetal ? c_VirtNone : c_Amazon;
  }
  if (found == c_VirtNone && SmbiosVmBit(tree) == VmBitE::Set) return c_VmOther;
  return found;
}

bool IsUserModeLinux(const MachineTreeC& tree) {
  std::string cpuinfo = tree.Text("/proc/cpuinfo");
  for (const std::string& line : hx::SplitLines(cpuinfo)) {
    if (hx::StartsWith(line, "vendor_id\t: ")) return hx::StartsWith(line.substr(12), "User Mode Linux");
  }
  return false;
}

// Whether a Xen machine is the control domain, which is no guest.
bool IsXenDom0(const MachineTreeC& tree) {
  uint64_t features = 0;
  const std::string text = Line(tree, "/sys/hypervisor/properties/features");
  const size_t digits = text.find_first_not_of("0123456789abcdefABCDEF");
  if (hx::ParseUInt64(text.substr(0, digits), features, 16)) return (features >> c_XenDom0Feature & 1) != 0;
  for (const std::string& capability : hx::Split(Line(tree, "/proc/xen/capabilities"), ',')) {
    if (hx::Trim(capability) == "control_d") return true;
  }
  return false;
}

// The signature of the captured machine: its processors' hypervisor flag, named after the
// clock sources the kernel found.
std::string TreeCpuSignature(const MachineTreeC& tree) {
  std::string cpuinfo = tree.Text("/proc/cpuinfo");
  bool hypervisor = false;
  for (const std::string& line : hx::SplitLines(cpuinfo)) {
    if (!hx::StartsWith(line, "flags")) continue;
    for (const std::string& flag : hx::SplitBlanks(line)) hypervisor = hypervisor || flag == "hypervisor";
    break;
  }
  if (!hypervisor) return std::string();
  const std::string clocks = Line(tree, "/sys/devices/system/clocksource/clocksource0/available_clocksource");
  for (const std::string& clock : hx::SplitBlanks(clocks)) {
    for (const NameT& c : c_ClockSources) {
      if (hx::StartsWith(clock, c.evidence)) return c.id;
    }
  }
  return std::string(1, '\0');  // a hypervisor without a name
}

std::string CpuVm(const std::string& signature) {
  if (signature.empty()) return c_VirtNone;
  const std::string name = signature.substr(0, signature.find('\0'));
  for (const NameT& s : c_CpuSignatures) {
    if (name == s.evidence) return s.id;
  }
  return c_VmOther;
}

std::string DeviceTreeVm(const MachineTreeC& tree) {
  std::string hypervisor;
  if (FirstLine(tree, "/proc/device-tree/hypervisor/compatible", hypervisor)) {
    if (hypervisor == "linux,kvm") return c_Kvm;
    if (hypervisor.find("xen") != std::string::npos) return c_Xen;
    if (hypervisor.find("vmware") != std::string::npos) return "vmware";
    return c_VmOther;
  }
  if (tree.Exists("/proc/device-tree/ibm,partition-name") && tree.Exists("/proc/device-tree/hmc-managed?") &&
      !tree.Exists("/proc/device-tree/chosen/qemu,graphic-width"))
    return "powervm";
  for (const std::string& node : tree.List("/proc/device-tree")) {
    if (node.find("fw-cfg") != std::string::npos) return c_Qemu;
  }
  return Line(tree, "/proc/device-tree/compatible") == "qemu,pseries" ? c_Qemu : c_VirtNone;
}

std::string ZvmVm(const MachineTreeC& tree) {
  std::string sysinfo = tree.Text("/proc/sysinfo");
  for (const std::string& line : hx::SplitLines(sysinfo)) {
    if (!hx::StartsWith(line, "VM00 Control Program:")) continue;
    const std::vector<std::string> words = hx::SplitBlanks(line.substr(line.find(':') + 1));
    return !words.empty() && words[0] == "z/VM" ? "zvm" : c_Kvm;
  }
  return c_VirtNone;
}

std::string ContainerFiles(const MachineTreeC& tree) {
  // Docker's file comes last: it may have slipped into an image that another manager runs.
  if (tree.Exists("/run/.containerenv")) return "podman";
  if (tree.Exists("/.dockerenv")) return "docker";
  return c_VirtNone;
}

std::string ContainerNamed(const MachineTreeC& tree, const std::string& name) {
  // "oci" names a format, not a manager.
  if (name == "oci") {
    const std::string files = ContainerFiles(tree);
    return files != c_VirtNone ? files : c_ContainerOther;
  }
  for (const char* known : c_Containers) {
    if (name == known) return known;
  }
  return c_ContainerOther;
}

bool TracedByProot(const MachineTreeC& tree) {
  std::string status = tree.Text("/proc/self/status");
  for (const std::string& line : hx::SplitLines(status)) {
    if (!hx::StartsWith(line, "TracerPid:")) continue;
    const std::string tracer = hx::Trim(line.substr(10));
    const bool pid = !tracer.empty() && tracer != "0" && tracer.find_first_not_of("0123456789") == std::string::npos;
    return pid && hx::StartsWith(Line(tree, "/proc/" + tracer + "/comm"), "proot");
  }
  return false;
}

std::string CgroupContainer(const MachineTreeC& tree) {
  std::string cgroups = tree.Text("/proc/1/cgroup");
  for (const std::string& line : hx::SplitLines(cgroups)) {
    const size_t path = line.find(':', line.find(':') + 1);
    if (path == std::string::npos) continue;
    for (const NameT& m : c_CgroupMarks) {
      if (line.find(m.evidence, path) != std::string::npos) return m.id;
    }
  }
  return c_VirtNone;
}

// Whether the process sees a cgroup namespace of its own: below the root of the hierarchy,
// which shows files that only nested cgroups have.
bool InCgroupNamespace(const MachineTreeC& tree) {
  std::string target;
  if (!tree.Link("/proc/self/ns/cgroup", target)) return false;
  if (tree.Exists("/sys/fs/cgroup/cgroup.controllers")) {  // the unified hierarchy alone
    if (!tree.Exists("/sys/fs/cgroup/cgroup.events")) return false;
    return tree.Exists("/sys/fs/cgroup/cgroup.type") || !tree.Exists("/sys/kernel/cgroup/features");
  }
  return tree.Exists("/sys/fs/cgroup/systemd") && !tree.Exists("/sys/fs/cgroup/systemd/release_agent");
}

}  // namespace

std::optional<std::string> LiveHypervisorSignature() {
#if defined(__i386__) || defined(__x86_64__)
  if (!hx::SystemRoot().empty()) return std::nullopt;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0 || (ecx & 0x80000000U) == 0) return std::string();
  __cpuid(0x40000000U, eax, ebx, ecx, edx);
  char signature[12];
  std::memcpy(signature, &ebx, 4);
  std::memcpy(signature + 4, &ecx, 4);
  std::memcpy(signature + 8, &edx, 4);
  return std::string(signature, sizeof signature);
#else
  return std::nullopt;
#endif
}

std::string DetectHypervisor(const MachineTreeC& tree, const DmiNamesT& dmi,
                             const std::optional<std::string>& cpuSignature) {
  // The makers whose machines show KVM's or Hyper-V's signature come first, by their DMI
  // names; then user-mode Linux, which may run inside any of the others, and a Xen guest,
  // which need not show Xen's signature.
  const std::string dmiVm = DmiVm(tree, dmi);
  for (const char* first : {c_Oracle, c_Xen, c_Amazon, c_Parallels, c_Google}) {
    if (dmiVm == first) return dmiVm;
  }
  if (IsUserModeLinux(tree)) return "uml";
  const bool dom0 = tree.Exists("/proc/xen") && IsXenDom0(tree);
  if (tree.Exists("/proc/xen") && !dom0) return c_Xen;
  // QEMU shows Hyper-V's signature when it offers Hyper-V's interfaces: the other evidence
  // decides, and Microsoft only when nothing else names the machine.
  bool hyperv = false;
  bool other = false;
  const std::string cpuVm = CpuVm(cpuSignature ? *cpuSignature : TreeCpuSignature(tree));
  if (cpuVm == c_Microsoft) {
    hyperv = true;
  } else if (cpuVm == c_VmOther) {
    other = true;
  } else if (cpuVm != c_VirtNone) {
    return cpuVm;
  }
  // A control domain is no guest: only a hypervisor below it (above) counts.
  if (!dom0) {
    const std::function<std::string()> steps[] = {
        [&] { return dmiVm; },
        [&] {
          std::string type;
          return !FirstLine(tree, "/sys/hypervisor/type", type) ? c_VirtNone : type == c_Xen ? c_Xen : c_VmOther;
        },
        [&] { return DeviceTreeVm(tree); },
        [&] { return ZvmVm(tree); },
    };
    for (const auto& step : steps) {
      const std::string found = step();
      if (found == c_VmOther)
        other = true;
      else if (found != c_VirtNone)
        return found;
    }
  }
  return hyperv ? c_Microsoft : other ? c_VmOther : c_VirtNone;
}

std::string DetectContainer(const MachineTreeC& tree) {
  // OpenVZ shows /proc/vz inside and outside its containers, /proc/bc only outside.
  if (tree.Exists("/proc/vz") && !tree.Exists("/proc/bc")) return "openvz";
  const std::string release = Line(tree, "/proc/sys/kernel/osrelease");
  if (release.find("Microsoft") != std::string::npos || release.find("WSL") != std::string::npos) return "wsl";
  if (TracedByProot(tree)) return "proot";
  // The manager's own word, in the files it leaves for its guests.
  for (const char* file : {"/run/host/container-manager", "/run/systemd/container"}) {
    const std::string name = Line(tree, file);
    if (!name.empty()) return ContainerNamed(tree, name);
  }
  std::string found = ContainerFiles(tree);
  if (found == c_VirtNone) found = CgroupContainer(tree);
  if (found == c_VirtNone && InCgroupNamespace(tree)) found = c_ContainerOther;
  return found;
}

}  // namespace hxlinux
