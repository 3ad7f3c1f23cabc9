#include "hardware/unix/HWClass_UnixOperatingSystem.h"

#include "foundation/core/Format.h"
#include "platform/OSInfo.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

constexpr const char* c_TypeFormat = "%d";
constexpr const char* c_VersionFormat = "%d.%d";
constexpr const char* c_CaptionFormat = "%s %s";

}  // namespace

hx::ResultT HWClass_UnixOperatingSystem::GetInventory(HWInstanceListT& instances, StringC className,
                                                      const PropertyMap& /*parameters*/) {
  const OSInfoC os;
  return AddSingleInstance(instances, className, os.SystemName().empty() ? StringC(c_UnknownSystem) : os.SystemName());
}

hx::ResultT HWClass_UnixOperatingSystem::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Unix::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  const OSInfoC os;
  EnvPreferencesC prefs;
  const StringC version = hx::Format(c_VersionFormat, os.Major(), os.Minor());
  instance->AddProperty(c_CSName, prefs.GetValue(TrkPreferencesC::c_MachineName));
  instance->AddProperty(c_OSType, hx::Format(c_TypeFormat, os.OSType()));
  instance->AddProperty(c_Version, version);
  instance->AddProperty(c_Caption, hx::Format(c_CaptionFormat, instance->GetName(), version));
  return r;
}
