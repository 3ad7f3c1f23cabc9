#pragma once
// TrkTrackUnixHardwareC: the hardware step of a run. The classes to track, and the provider
// of each, come from the configuration registry: below the tracker's product key, the key
// "<operating system name>\Hardware" has one subkey per class (its name is the class name
// written to the inventory), whose value "provider" names the provider component and whose
// other values are handed to the provider as parameters. Every provider adds its instances to
// one list, so a provider running later sees what the classes configured before it found;
// at the end every instance becomes one "Hardware" element with sorted "Property" children.
//
// For the duration of Track the process runs with LC_ALL=C (tools print in the form the
// providers parse) and providers may put directories in front of PATH; both variables are
// put back afterwards, so no other thread may start programs meanwhile.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWInstance.h"
#include "hardware/framework/TrkTrackHardware.h"
#include "prefs/registry/ConfRegCodes.h"

class ComNameRegistryI;
class ConfRegistryIniC;

class TrkTrackUnixHardwareC : public TrkTrackHardwareC {
 public:
  // The value of a class key that names its provider (any letter case).
  static constexpr const char* c_ProviderValue = "provider";
  // The operating system name of the class list key when uname gives none.
  static constexpr const char* c_UnknownSystem = "UNKNOWN";

  // Tracks every configured class. 0 when the class list key does not exist; the failure of
  // the name registry; otherwise the result of the last class that ran a provider, or the
  // failure of writing the instances. What the classes collected is written even when the
  // last of them failed.
  HX_NODISCARD hx::ResultT Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker, ZORHXContextI* context) override;

  // The class list key below HKEY_LOCAL_MACHINE:
  // "Software\Tarvosk Corp\Tarvosk\Tracker\CurrentVersion\<uname sysname>\Hardware".
  StringC PlatformRegistryKey();

  // Writes the instances below the inventory's root, in list order: one "Hardware" element
  // (class, name, evidence, "OS API" for empty evidence) per instance with its non-empty
  // properties in byte-wise order of their names. The failure to reach the root is returned;
  // an element that cannot be made gives RC_FAIL and the rest are still written.
  HX_NODISCARD hx::ResultT AddInventory(ZORHXTInventoryI* inventory, const HWInstanceListT& instances);

 private:
  struct ClassRunT;
  HX_NODISCARD hx::ResultT TrackClasses(ComNameRegistryI* names, ClassRunT& run);
  HX_NODISCARD hx::ResultT TrackClass(ComNameRegistryI* names, ClassRunT& run, ConfHKEY listKey, const StringC& className);
};
