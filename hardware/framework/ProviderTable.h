#pragma once
// How a hardware provider class becomes a component the hardware step can create by name.
//
// 1. In the provider's header, after the class, declare its factory with the provider name
//    (the name the configuration's "provider" value gives) and its progid:
//
//      HX_HW_PROVIDER_FACTORY(UnixOperatingSystem, "ZOR.hX.Tracker.UnixOperatingSystem.1")
//
//    This makes TrkTrackUnixOperatingSystemFactoryC, whose objects are HWClass_UnixOperatingSystem
//    and whose class identifier is CLSID_UnixOperatingSystem (hardware/framework/HardwareGuids.h).
//
// 2. Add one line X(UnixOperatingSystem) to the list in app/driver/TrkProviderTable.cpp (and
//    include the header there). The tracker registers every listed class with the component
//    registry by identifier and with the name registry by its provider name.

#include <vector>

#include "foundation/com/ComFactory.h"
#include "foundation/com/ComServer.h"
#include "foundation/core/RefCount.h"
#include "hardware/framework/HWClassI.h"
#include "hardware/framework/HardwareGuids.h"

// The factory of a provider class ProviderT: every CreateObject makes a new provider with a
// count of 0 (the registry's CreateInstance takes the first reference by querying it).
template <typename ProviderT>
class HWProviderFactoryM : public ComFactoryC {
 public:
  HWProviderFactoryM(const char* providerName, const char* progid) : ComFactoryC(providerName, progid) {}
  ZORUnknownI* CreateObject() override { return static_cast<HWClassI*>(new ProviderT); }
};

#define HX_HW_PROVIDER_FACTORY(Provider, progid)                                          \
  class TrkTrack##Provider##FactoryC : public HWProviderFactoryM<HWClass_##Provider> {     \
   public:                                                                                 \
    TrkTrack##Provider##FactoryC() : HWProviderFactoryM<HWClass_##Provider>(#Provider, progid) {} \
    static ComFactoryC* Clone() { return new TrkTrack##Provider##FactoryC; }               \
  };

// A table of provider classes (null-terminated) registered with a component registry: each
// class by its identifier, and its provider name (its factory's class name) with the name
// registry, so that the hardware step creates it by the name the configuration gives. The
// tracker registers its own table; a module registers its table the same way.
class HWProviderRegistrationC {
 public:
  explicit HWProviderRegistrationC(ComObjectEntryC** table) : table_(table), server_(table) {}
  ~HWProviderRegistrationC() { Unregister(); }
  HWProviderRegistrationC(const HWProviderRegistrationC&) = delete;
  HWProviderRegistrationC& operator=(const HWProviderRegistrationC&) = delete;

  // Once; the registry is held until Unregister. A name that cannot be registered leaves its
  // class reachable by identifier only.
  void Register(ComRegistryI* registry);
  void Unregister();
  bool IsRegistered() const { return static_cast<bool>(registry_); }

 private:
  ComObjectEntryC** table_;
  ComServerC server_;
  RefM<ComRegistryI> registry_;
  std::vector<StringC> names_;  // the names registered
};
