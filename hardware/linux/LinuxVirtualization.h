#pragma once
// What the machine runs on and in: the hypervisor below the kernel and the container around
// the process, named with the identifiers systemd-detect-virt prints for --vm and --container
// ("kvm", "vmware", "microsoft", ...; "docker", "lxc", "wsl", ...; "none"; "vm-other" and
// "container-other" for what shows but has no name), decided from the same evidence and in
// the same order, so that the inventory agrees with the tool on the same host.
//
// The evidence is what the kernel and the system publish, read through the machine tree: the
// DMI vendor and product names, /proc/cpuinfo, /sys/hypervisor, /proc/xen, the device tree,
// /proc/sysinfo, the clock sources, /proc/vz, the kernel release, /run/host/container-manager,
// /run/systemd/container, /run/.containerenv, /.dockerenv, /proc/1/cgroup and the cgroup
// hierarchy. PID 1's environment is never read. The one fact no file holds is the signature
// the hypervisor gives the processor (CPUID leaf 0x40000000): on the live x86 host it is asked
// of the processor; a captured machine has none, and there the kernel's paravirtual clock
// sources stand for it.

#include <optional>
#include <string>

#include "hardware/linux/MachineTree.h"

namespace hxlinux {

constexpr const char* c_VirtNone = "none";

// The DMI names the hypervisor check compares (from LinuxSMBiosC: system product name,
// manufacturer and version, board manufacturer, BIOS vendor).
struct DmiNamesT {
  std::string productName, systemVendor, boardVendor, biosVendor, productVersion;
};

// The processor's hypervisor signature on the live host: "" when no hypervisor shows,
// nullopt where there is no such instruction (not x86) or the machine is not the live host
// (a system root is set).
std::optional<std::string> LiveHypervisorSignature();

// The hypervisor identifier. `cpuSignature` as LiveHypervisorSignature gives it; nullopt
// reads the tree's /proc/cpuinfo flags and clock sources instead.
std::string DetectHypervisor(const MachineTreeC& tree, const DmiNamesT& dmi,
                             const std::optional<std::string>& cpuSignature);

// The container identifier.
std::string DetectContainer(const MachineTreeC& tree);

}  // namespace hxlinux
