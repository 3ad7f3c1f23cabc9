#include "hardware/linux/HWClass_LinuxPciDevices.h"

#include <map>

#include "hardware/linux/DeviceTexts.h"
#include "hardware/linux/HardwareIds.h"
#include "hardware/linux/SysfsDevice.h"

namespace {

constexpr const char* c_PciDir = "/sys/bus/pci/devices/";
constexpr const char* c_DrmDir = "/sys/class/drm/";
constexpr const char* c_Manufacturer = "Manufacturer";
constexpr const char* c_DriverName = "Driver";  // as the network adapters name it
constexpr size_t c_ClassDigits = 6;
constexpr std::string_view c_DisplayClass = "03";
constexpr std::string_view c_CardPrefix = "card";

std::vector<hxlinux::PciDeviceT> PciDevices(const hxlinux::MachineTreeC& tree, bool displaysOnly) {
  std::vector<std::string> dirs;
  for (const std::string& address : tree.List(c_PciDir)) {
    const std::string dir = c_PciDir + address;
    if (!displaysOnly || hx::StartsWith(hxlinux::IdText(tree.Value(dir + "/class"), c_ClassDigits), c_DisplayClass))
      dirs.push_back(dir);
  }
  return hxlinux::ReadPciDevices(tree, dirs);
}

struct ModeT {
  int64_t width = 0, height = 0;
};

// The first mode of the first connected output of each DRM card, by the card's PCI address.
std::map<std::string, ModeT> DisplayModes(const hxlinux::MachineTreeC& tree) {
  std::map<std::string, ModeT> modes;
  const std::vector<std::string> entries = tree.List(c_DrmDir);
  for (const std::string& card : entries) {
    if (!hx::StartsWith(card, c_CardPrefix) || card.find('-') != std::string::npos) continue;
    const std::string function = hxlinux::PciFunctionOf(hxlinux::CanonicalPath(tree, c_DrmDir + card + "/device"));
    if (function.empty() || modes.count(function.substr(function.find_last_of('/') + 1)) != 0) continue;
    for (const std::string& output : entries) {
      ModeT mode;
      std::string list;
      if (!hx::StartsWith(output, card + "-") || tree.Value(c_DrmDir + output + "/status") != "connected" ||
          !tree.Read(c_DrmDir + output + "/modes", list) || !hxlinux::FirstMode(list, mode.width, mode.height))
        continue;
      modes[function.substr(function.find_last_of('/') + 1)] = mode;
      break;
    }
  }
  return modes;
}

}  // namespace

hx::ResultT HWClass_LinuxPCIDevice::GetInventory(HWInstanceListT& instances, StringC className,
                                                 const PropertyMap& /*parameters*/) {
  hx::ResultT r = hx::RC_OK;
  for (const hxlinux::PciDeviceT& d : PciDevices(Tree(), false)) {
    RefM<HWInstance> instance = MakeInstance(className, d.address);
    const hx::ResultT populated = PopulateInstance(instance);
    if (hx::Failed(populated)) r = populated;
    const std::pair<const char*, const std::string*> values[] = {
        {c_DeviceID, &d.address},        {"VendorID", &d.vendorId},
        {"ProductID", &d.deviceId},      {"SubsystemVendorID", &d.subVendorId},
        {"SubsystemID", &d.subDeviceId}, {c_Manufacturer, &d.vendor},
        {c_Description, &d.device},      {"SubsystemManufacturer", &d.subVendor},
        {"SubsystemName", &d.subsystem}, {"ClassCode", &d.classCode},
        {"ClassName", &d.className},     {"SubclassName", &d.subclassName},
        {"Revision", &d.revision},       {c_DriverName, &d.driver},
    };
    for (const auto& [name, value] : values) instance->AddProperty(name, *value);
    instances.push_back(instance);
  }
  return r;
}

hx::ResultT HWClass_LinuxVideoController::GetInventory(HWInstanceListT& instances, StringC className,
                                                       const PropertyMap& /*parameters*/) {
  const hxlinux::MachineTreeC& tree = Tree();
  const std::map<std::string, ModeT> modes = DisplayModes(tree);
  hx::ResultT r = hx::RC_OK;
  for (const hxlinux::PciDeviceT& d : PciDevices(tree, true)) {
    RefM<HWInstance> instance = MakeInstance(className, d.device.empty() ? d.address : d.device);
    const hx::ResultT populated = PopulateInstance(instance);
    if (hx::Failed(populated)) r = populated;
    instance->AddProperty(c_Caption, d.device);
    instance->AddProperty(c_DeviceID, d.address);
    instance->AddProperty("AdapterCompatibility", d.vendor);
    instance->AddProperty(c_DriverName, d.driver);
    const auto mode = modes.find(d.address);
    if (mode != modes.end()) {
      instance->AddProperty("CurrentHorizontalResolution", std::to_string(mode->second.width));
      instance->AddProperty("CurrentVerticalResolution", std::to_string(mode->second.height));
    }
    instances.push_back(instance);
  }
  return r;
}
