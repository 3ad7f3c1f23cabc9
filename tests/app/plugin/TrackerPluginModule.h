#pragma once
// What the test plug-ins share: a preference read through the run's context, the built-in
// tracker reached by the name that always names it, and the module that registers the
// plug-in's one tracker class under the name "Tracker" and keeps the registry it was handed.

#include <cstdlib>
#include <string>

#include "app/api/ZORHXTTracker.h"
#include "foundation/com/ComObject.h"
#include "foundation/com/ComServer.h"

namespace hxplugin {

constexpr const char* c_TrackerName = "Tracker";
constexpr const char* c_DefaultTrackerName = "TrackerDefault";

inline std::string Preference(ZORHXContextI* context, const char* name) {
  ZORHXPreferencesI* prefs = nullptr;
  if (context == nullptr || context->QueryInterface(IID_ZORHXPreferences, reinterpret_cast<void**>(&prefs)) < 0)
    return std::string();
  char* value = nullptr;
  std::string text;
  if (prefs->GetValue(name, &value) >= 0 && value != nullptr) text = value;
  std::free(value);
  prefs->Release();
  return text;
}

// The module of one tracker class TrackerT (with c_ClassName and c_ProgId) under clsid.
template <typename TrackerT>
class TrackerModuleM {
 public:
  explicit TrackerModuleM(const ZORGUID& clsid) : clsid_(clsid), entry_(clsid, &FactoryC::Clone) {}

  hx::ResultT Initialize(ComRegistryI* registry) {
    registry_ = registry;  // the reference handed over is kept until the module is finalised
    server_.Register(registry);
    ComNameRegistryI* names = nullptr;
    hx::ResultT r = registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
    if (r >= 0) {
      std::string name = c_TrackerName;
      r = names->RegisterClassName(name.data(), clsid_);
      names->Release();
    }
    return r;
  }
  hx::ResultT Finalize(ComRegistryI* registry) {
    server_.Unregister(registry);
    registry->Release();
    if (registry_ != nullptr) registry_->Release();
    registry_ = nullptr;
    return hx::RC_OK;
  }
  // A new built-in tracker, registered with the module's registry (one reference for the caller).
  hx::ResultT NewDefaultTracker(ZORHXTTrackerI** tracker) {
    ComNameRegistryI* names = nullptr;
    hx::ResultT r = registry_->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
    if (r < 0) return r;
    std::string name = c_DefaultTrackerName;
    r = names->GetInstance(name.data(), IID_ZORHXTTracker, reinterpret_cast<ZORUnknownI**>(tracker));
    names->Release();
    if (r >= 0) (*tracker)->Register(registry_);
    return r;
  }

 private:
  struct FactoryC : ComFactoryC {
    FactoryC() : ComFactoryC(TrackerT::c_ClassName, TrackerT::c_ProgId) {}
    ZORUnknownI* CreateObject() override { return static_cast<ZORHXTTrackerI*>(new TrackerT); }
    static ComFactoryC* Clone() { return new FactoryC; }
  };

  ZORGUID clsid_;
  ComObjectEntryC entry_;
  ComObjectEntryC* entries_[2] = {&entry_, nullptr};
  ComServerC server_{entries_};
  ComRegistryI* registry_ = nullptr;
};

}  // namespace hxplugin

