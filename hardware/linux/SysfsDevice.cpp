#include "hardware/linux/SysfsDevice.h"

#include <algorithm>
#include <cctype>

#include "foundation/core/Text.h"
#include "hardware/linux/HardwareIds.h"

namespace hxlinux {
namespace {

constexpr int c_MaxLinks = 40;
constexpr size_t c_IdDigits = 4;
constexpr size_t c_ClassDigits = 6;
constexpr size_t c_RevisionDigits = 2;
// The database entries asked for each function: its device (with vendor and subsystem), the
// subsystem's vendor, and its class with the subclass.
constexpr size_t c_PathsPerDevice = 3;
constexpr std::string_view c_NoVendor = "0000";
// "0000:00:02.0": domain, bus, device and function.
constexpr std::string_view c_PciAddressShape = "hhhh:hh:hh.h";

std::string Joined(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& p : parts) path += "/" + p;
  return path.empty() ? "/" : path;
}

}  // namespace

std::string CanonicalPath(const MachineTreeC& tree, std::string_view path) {
  std::vector<std::string> done;
  std::vector<std::string> pending = hx::Split(path, '/', true);
  std::reverse(pending.begin(), pending.end());
  int links = 0;
  while (!pending.empty()) {
    const std::string part = pending.back();
    pending.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      if (!done.empty()) done.pop_back();
      continue;
    }
    done.push_back(part);
    std::string target;
    if (links >= c_MaxLinks || !tree.Link(Joined(done), target)) continue;
    ++links;
    done.pop_back();
    if (!target.empty() && target[0] == '/') done.clear();
    const std::vector<std::string> more = hx::Split(target, '/', true);
    pending.insert(pending.end(), more.rbegin(), more.rend());
  }
  return Joined(done);
}

bool IsPciAddress(std::string_view name) {
  if (name.size() != c_PciAddressShape.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const bool hex = std::isxdigit(static_cast<unsigned char>(name[i])) != 0;
    if (c_PciAddressShape[i] == 'h' ? !hex : name[i] != c_PciAddressShape[i]) return false;
  }
  return true;
}

std::string PciFunctionOf(std::string_view canonical) {
  const std::vector<std::string> parts = hx::Split(canonical, '/', true);
  for (size_t n = parts.size(); n > 0; --n)
    if (IsPciAddress(parts[n - 1])) return Joined(std::vector<std::string>(parts.begin(), parts.begin() + n));
  return std::string();
}

std::vector<PciDeviceT> ReadPciDevices(const MachineTreeC& tree, const std::vector<std::string>& dirs) {
  std::vector<PciDeviceT> devices;
  std::vector<IdPathT> paths;
  for (const std::string& dir : dirs) {
    PciDeviceT d;
    d.address = dir.substr(dir.find_last_of('/') + 1);
    d.vendorId = IdText(tree.Value(dir + "/vendor"), c_IdDigits);
    d.deviceId = IdText(tree.Value(dir + "/device"), c_IdDigits);
    d.subVendorId = IdText(tree.Value(dir + "/subsystem_vendor"), c_IdDigits);
    d.subDeviceId = IdText(tree.Value(dir + "/subsystem_device"), c_IdDigits);
    d.classCode = IdText(tree.Value(dir + "/class"), c_ClassDigits);
    d.revision = IdText(tree.Value(dir + "/revision"), c_RevisionDigits);
    d.driver = tree.LinkName(dir + "/driver");
    // A subsystem vendor of 0 means the function names no subsystem.
    if (d.subVendorId == c_NoVendor) {
      d.subVendorId.clear();
      d.subDeviceId.clear();
    }
    paths.push_back({d.vendorId, d.deviceId, d.subVendorId + " " + d.subDeviceId});
    paths.push_back({d.subVendorId});
    const std::string classId = d.classCode.empty() ? std::string() : "C " + d.classCode.substr(0, 2);
    paths.push_back({classId, d.classCode.empty() ? std::string() : d.classCode.substr(2, 2)});
    devices.push_back(std::move(d));
  }
  const std::vector<std::vector<std::string>> names = LookupMachineIds(tree, IdBusE::Pci, paths);
  for (size_t i = 0; i < devices.size(); ++i) {
    const std::vector<std::string>& ids = names[c_PathsPerDevice * i];
    devices[i].vendor = ids[0];
    devices[i].device = ids[1];
    devices[i].subsystem = ids[2];
    devices[i].subVendor = names[c_PathsPerDevice * i + 1][0];
    devices[i].className = names[c_PathsPerDevice * i + 2][0];
    devices[i].subclassName = names[c_PathsPerDevice * i + 2][1];
  }
  return devices;
}

}  // namespace hxlinux
