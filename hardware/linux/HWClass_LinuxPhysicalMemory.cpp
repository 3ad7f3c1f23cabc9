#include "hardware/linux/HWClass_LinuxPhysicalMemory.h"

#include <set>

#include "hardware/linux/LinuxSMBios.h"
#include "hardware/linux/LinuxTexts.h"
#include "hardware/linux/SMBiosTable.h"

using hxlinux::LinuxSMBiosC;

namespace {

constexpr const char* c_Capacity = "Capacity";
constexpr const char* c_EmptySlot = "No Module Installed";
constexpr const char* c_Unknown = "Unknown";

// The properties copied from a memory device's record.
struct CopiedT {
  const char* property;
  const char* value;
};
constexpr CopiedT c_Copied[] = {{"Manufacturer", "Manufacturer"},  {"PartNumber", "Part Number"},
                                {"SerialNumber", "Serial Number"}, {"DeviceLocator", "Locator"},
                                {"BankLabel", "Bank Locator"},     {"MemoryType", "Type"},
                                {"FormFactor", "Form Factor"}};

std::string Bytes(int64_t bytes) { return bytes > 0 ? std::to_string(bytes) : std::string(); }

// The figure of "3200 MT/s" (or of an older "1600 MHz").
std::string Figure(const std::string& text) {
  const size_t digits = text.find_first_not_of("0123456789");
  return text.substr(0, digits == std::string::npos ? text.size() : digits);
}

}  // namespace

hx::ResultT HWClass_LinuxPhysicalMemory::GetInventory(HWInstanceListT& instances, StringC className,
                                                      const PropertyMap& /*parameters*/) {
  const LinuxSMBiosC smbios(Tree());
  hx::ResultT r = hx::RC_OK;
  std::set<std::string> names;
  for (const RefM<SMBiosDataC>& device : smbios.OfType(LinuxSMBiosC::c_TypeMemoryDevice)) {
    if (device->GetValue("Size") == c_EmptySlot) continue;
    const std::string slot = device->GetValue("Locator");
    const std::string bank = device->GetValue("Bank Locator");
    std::string name = slot.empty() ? c_InstanceName : slot;
    if (names.count(name) != 0 && !bank.empty()) name = bank + " " + name;
    for (int n = 2; names.count(name) != 0; ++n)
      name = (slot.empty() ? c_InstanceName : slot) + " " + std::to_string(n);
    names.insert(name);
    RefM<HWInstance> instance = MakeInstance(className, name);
    const hx::ResultT populated = PopulateInstance(instance);
    if (hx::Failed(populated)) r = populated;
    instance->AddProperty(c_Capacity, Bytes(hxlinux::SMBiosSizeBytes(device->GetValue("Size"))));
    instance->AddProperty("Speed", Figure(device->GetValue("Speed")));
    for (const CopiedT& c : c_Copied) {
      const std::string value = device->GetValue(c.value);
      if (value != c_Unknown) instance->AddProperty(c.property, value);
    }
    instances.push_back(instance);
  }
  if (!names.empty()) return r;
  if (smbios.TablesNeedRoot()) NeedsRoot("the memory modules");
  RefM<HWInstance> instance = MakeInstance(className, c_InstanceName);
  r = PopulateInstance(instance);
  std::string meminfo = Tree().Text("/proc/meminfo");
  instance->AddProperty(c_Capacity, Bytes(hxlinux::MeminfoBytes(meminfo, "MemTotal")));
  instances.push_back(instance);
  return r;
}
