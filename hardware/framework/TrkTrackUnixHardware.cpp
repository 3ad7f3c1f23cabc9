#include "hardware/framework/TrkTrackUnixHardware.h"

#include <chrono>
#include <cstdlib>

#include "foundation/com/ComRegistry.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/log/LogManager.h"
#include "foundation/trace/Tracer.h"
#include "foundation/trace/TraceFlags.h"
#include "hardware/framework/HWClassI.h"
#include "hardware/framework/HardwareMessages.h"
#include "hardware/framework/ZORHXTCIMProvider.h"
#include "inventory/TrkInventoryEntity.h"
#include "inventory/ZORHXTInventory.h"
#include "platform/OSInfo.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/tracker/EnvMSWPreferences.h"

namespace {

constexpr const char* c_LcAll = "LC_ALL";
constexpr const char* c_Path = "PATH";
constexpr const char* c_CLocale = "C";
constexpr const char* c_HardwareKey = "\\Hardware";

// Puts LC_ALL=C for its lifetime and restores LC_ALL and PATH to the texts they had, whatever
// providers did to them meanwhile. A variable that was unset comes back set to "".
class StepEnvironmentC {
 public:
  StepEnvironmentC() : lcAll_(Get(c_LcAll)), path_(Get(c_Path)) { ::setenv(c_LcAll, c_CLocale, 1); }
  ~StepEnvironmentC() {
    ::setenv(c_LcAll, lcAll_.c_str(), 1);
    ::setenv(c_Path, path_.c_str(), 1);
  }
  StepEnvironmentC(const StepEnvironmentC&) = delete;
  StepEnvironmentC& operator=(const StepEnvironmentC&) = delete;

 private:
  static StringC Get(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? StringC(value) : StringC();
  }

  StringC lcAll_;
  StringC path_;
};

template <typename... Args>
void LogHardware(hx::ResultT id, const char* text, Args&&... args) {
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, id, text, std::forward<Args>(args)...);
}

ConfRegistryIniC* Registry() {
  ConfigurationIniC* config = getConfiguration(1);
  return config != nullptr ? config->registry() : nullptr;
}

// The class key's provider name and its other string values as parameters.
void ReadClassKey(ConfRegistryIniC& reg, ConfHKEY classKey, StringC& provider, PropertyMap& parameters) {
  StringArrayC names;
  StringC name;
  for (uint32_t i = 0; reg.GetEnumeratedValue(classKey, i, &name, nullptr, nullptr, nullptr) == CONF_REG_OK; ++i)
    names.push_back(name);
  bool haveProvider = false;
  for (const StringC& n : names) {
    StringC value;
    if (reg.ReadString(classKey, StringC(), n, &value) != CONF_REG_OK) continue;
    if (hx::EqualsNoCase(n, TrkTrackUnixHardwareC::c_ProviderValue)) {
      if (!haveProvider) provider = value;
      haveProvider = true;
    } else {
      parameters.put(n, value);
    }
  }
}

// The class's turn with the provider object: HWClassI, else the alternative interface, else
// RC_NO_INTERFACE.
HX_NODISCARD hx::ResultT RunProvider(ZORUnknownI* object, const StringC& className, const PropertyMap& parameters,
                        HWInstanceListT& instances, ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker,
                        ZORHXContextI* context) {
  HWClassI* hw = nullptr;
  if (hx::Succeeded(object->QueryInterface(IID_TVKHWClass, reinterpret_cast<void**>(&hw))) && hw != nullptr) {
    const hx::ResultT r = hw->GetInventory(instances, className, parameters);
    hw->Release();
    return r;
  }
  ZORHXTCIMProviderI* cim = nullptr;
  if (hx::Succeeded(object->QueryInterface(IID_ZORHXTCIMProvider, reinterpret_cast<void**>(&cim))) && cim != nullptr) {
    hx::ResultT r = cim->SetClassName(ZORStringC(className));
    if (hx::Succeeded(r)) r = cim->Track(inventory, tracker, context);
    cim->Release();
    return r;
  }
  return hx::RC_NO_INTERFACE;
}

}  // namespace

struct TrkTrackUnixHardwareC::ClassRunT {
  ConfRegistryIniC* reg = nullptr;
  ZORHXTInventoryI* inventory = nullptr;
  ZORHXTTrackerI* tracker = nullptr;
  ZORHXContextI* context = nullptr;
  HWInstanceListT instances;
  hx::ResultT current = hx::RC_OK;
};

hx::ResultT TrkTrackUnixHardwareC::Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker, ZORHXContextI* context) {
  StepEnvironmentC environment;
  ComNameRegistryI* names = nullptr;
  const hx::ResultT found =
      ComRegistryC::Instance()->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
  if (hx::Failed(found)) return found;
  ClassRunT run;
  run.reg = Registry();
  run.inventory = inventory;
  run.tracker = tracker;
  run.context = context;
  const hx::ResultT r = TrackClasses(names, run);
  names->Release();
  return r;
}

hx::ResultT TrkTrackUnixHardwareC::TrackClasses(ComNameRegistryI* names, ClassRunT& run) {
  const StringC keyPath = PlatformRegistryKey();
  ConfHKEY listKey = CONF_HKEY_NONE;
  if (run.reg == nullptr || run.reg->OpenKey(HKEY_LOCAL_MACHINE, keyPath, CONF_KEY_READ, &listKey) != CONF_REG_OK) {
    LogHardware(trk::LOG_HW_KEY_NOT_OPENED, trk::TXT_HW_KEY_NOT_OPENED, keyPath);
    return hx::RC_OK;
  }
  // The class names first: providers may read the registry themselves while they run.
  StringArrayC classes;
  StringC className;
  for (uint32_t i = 0; run.reg->GetEnumeratedKey(listKey, i, &className) == CONF_REG_OK; ++i)
    classes.push_back(className);
  // Each class's outcome is logged and kept in run.current; one failing does not stop the rest.
  for (const StringC& c : classes) HX_IGNORE_RESULT(TrackClass(names, run, listKey, c));
  HX_IGNORE_RESULT(run.reg->CloseKey(listKey));  // opened above: closing it cannot fail

  if (run.instances.empty()) return run.current;
  const hx::ResultT written = AddInventory(run.inventory, run.instances);
  return hx::Failed(run.current) ? run.current : written;
}

hx::ResultT TrkTrackUnixHardwareC::TrackClass(ComNameRegistryI* names, ClassRunT& run, ConfHKEY listKey,
                                              const StringC& className) {
  ConfHKEY classKey = CONF_HKEY_NONE;
  if (run.reg->OpenKey(listKey, className, CONF_KEY_READ, &classKey) != CONF_REG_OK) return hx::RC_OK;
  StringC provider;
  PropertyMap parameters;
  ReadClassKey(*run.reg, classKey, provider, parameters);
  HX_IGNORE_RESULT(run.reg->CloseKey(classKey));  // opened above: closing it cannot fail
  if (provider.empty()) return hx::RC_OK;

  ZORUnknownI* object = nullptr;
  StringC name = hx::Utf8ToSys8(provider);
  char* namePointer = name.data();
  const hx::ResultT created = names->GetInstance(namePointer, IID_IUnknown, &object);
  if (hx::Failed(created) || object == nullptr) {
    LogHardware(trk::LOG_HW_PROVIDER_FAILED, trk::TXT_HW_PROVIDER_FAILED, provider, className,
                static_cast<uint32_t>(hx::Failed(created) ? created : hx::RC_NO_INTERFACE));
    return created;
  }
  LogHardware(trk::LOG_HW_PROVIDER_LOADED, trk::TXT_HW_PROVIDER_LOADED, provider, className);
  const size_t before = run.instances.size();
  const auto started = std::chrono::steady_clock::now();
  const hx::ResultT r =
      RunProvider(object, className, parameters, run.instances, run.inventory, run.tracker, run.context);
  object->Release();
  hx::TrkTrace('H', 0, "Class %1$s (%2$s): 0x%3$08X, %4$lu instance(s) in %5$ld ms\n", className, provider,
               static_cast<uint32_t>(r), static_cast<unsigned long>(run.instances.size() - before),
               static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
  // A class that fails does not stop the others; the log says which one failed, so that an
  // administrator looking for a missing class finds why.
  if (hx::Failed(r))
    LogHardware(trk::LOG_HW_CLASS_FAILED, trk::TXT_HW_CLASS_FAILED, className, provider, static_cast<uint32_t>(r));
  run.current = r;
  return r;
}

StringC TrkTrackUnixHardwareC::PlatformRegistryKey() {
  const OSInfoC os;
  const StringC system = os.SystemName().empty() ? StringC(c_UnknownSystem) : os.SystemName();
  return StringC(EnvMSWPreferencesC::c_ProductKey) +
         EnvMSWPreferencesC::RelativePath(EnvMSWPreferencesC::InventoryAgent) + "\\" + system + c_HardwareKey;
}

hx::ResultT TrkTrackUnixHardwareC::AddInventory(ZORHXTInventoryI* inventory, const HWInstanceListT& instances) {
  // The entity helpers work on this program's own entities: the root of the document the step
  // was given to write into.
  RefM<TrkInventoryEntityC> root;
  const hx::ResultT got = OwnRoot(inventory, &root);
  if (hx::Failed(got)) return got;
  hx::ResultT r = hx::RC_OK;
  for (const RefM<HWInstance>& instance : instances) {
    if (!instance) continue;
    const StringC evidence = instance->GetEvidence().empty() ? StringC(c_EvidenceOSAPI) : instance->GetEvidence();
    RefM<TrkInventoryEntityC> element = AddClass(root.get(), instance->GetClassName(), instance->GetName(), evidence);
    if (!element) {
      r = hx::RC_FAIL;
      continue;
    }
    const PropertyMap& properties = instance->GetProperties();
    for (const StringC& name : properties.SortedNames())
      HX_IGNORE_RESULT(AddProperty(element.get(), name, properties.get(name), StringC(), false));  // empty: left out
  }
  return r;
}
