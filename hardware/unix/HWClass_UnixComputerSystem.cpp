#include "hardware/unix/HWClass_UnixComputerSystem.h"

#include <cstdlib>

#include "foundation/core/Format.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

constexpr const char* c_UserDomainPreference = "UserDomain";
constexpr const char* c_ComputerDomainPreference = "ComputerDomain";
constexpr const char* c_DomainSeparator = "\\";
constexpr const char* c_CountFormat = "%d";
constexpr int c_DecimalBase = 10;

// A logical processor count as the processor provider wrote it: its leading number (0 when it
// has none), or 1 when the processor did not say.
long LogicalProcessorsOf(const HWInstance& processor) {
  const StringC value = processor.GetProperty(HWClass_Unix::c_NumberOfLogicalProcessors);
  if (value.empty()) return 1;
  return std::strtol(value.c_str(), nullptr, c_DecimalBase);
}

}  // namespace

hx::ResultT HWClass_UnixComputerSystem::GetInventory(HWInstanceListT& instances, StringC className,
                                                     const PropertyMap& /*parameters*/) {
  EnvPreferencesC prefs;
  RefM<HWInstance> instance = MakeInstance(className, prefs.GetValue(TrkPreferencesC::c_MachineName));
  hx::ResultT r = PopulateInstance(instance);
  if (hx::Succeeded(r)) r = Fixup(instance, instances);
  instances.insert(instances.begin(), instance);
  return r;
}

hx::ResultT HWClass_UnixComputerSystem::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  EnvPreferencesC prefs;
  const StringC user = prefs.GetValue(TrkPreferencesC::c_UserName);
  const StringC userDomain = prefs.GetValue(StringC(c_UserDomainPreference));
  instance->AddProperty(c_UserName, userDomain.empty() ? user : userDomain + c_DomainSeparator + user);
  const StringC domain = prefs.GetValue(StringC(c_ComputerDomainPreference));
  if (!domain.empty()) instance->AddProperty(c_Domain, domain);
  return r;
}

hx::ResultT HWClass_UnixComputerSystem::Fixup(RefM<HWInstance> instance, const HWInstanceListT& instances) {
  if (!instance) return hx::RC_INVALID_ARG;
  long processors = 0;
  long logical = 0;
  StringC memory;
  for (const RefM<HWInstance>& other : instances) {
    if (!other) continue;
    if (other->GetClassName() == c_TVK_Processor) {
      ++processors;
      logical += LogicalProcessorsOf(*other);
    } else if (other->GetClassName() == c_TVK_PhysicalMemory) {
      memory = other->GetProperty(c_Capacity);
    }
  }
  instance->AddProperty(c_NumberOfProcessors, hx::Format(c_CountFormat, processors));
  instance->AddProperty(c_NumberOfLogicalProcessors, hx::Format(c_CountFormat, logical));
  instance->AddProperty(c_TotalPhysicalMemory, memory);
  return hx::RC_OK;
}
