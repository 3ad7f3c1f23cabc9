// libhxlinux.so: the hardware providers written for Linux, a component module
// that the program loads from its plug-in directory. Loading registers every
// provider class below with the program's component registry, under its
// provider name (LinuxOperatingSystem, ...), which the Linux class list of the
// configuration names; unloading takes them back and logs, once, what an
// ordinary user's run could not read.
//
// The module uses the program's own symbols (the hardware framework, the log,
// the preferences): nothing of the program is linked into it a second time, so
// there is one registry, one log and one set of preferences in the process.

#include "foundation/com/ComObject.h"
#include "foundation/log/LogManager.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"
#include "hardware/linux/HWClass_LinuxBIOS.h"
#include "hardware/linux/HWClass_LinuxComputerSystem.h"
#include "hardware/linux/HWClass_LinuxComputerSystemProduct.h"
#include "hardware/linux/HWClass_LinuxDiskDrive.h"
#include "hardware/linux/HWClass_LinuxGroup.h"
#include "hardware/linux/HWClass_LinuxLogicalDisk.h"
#include "hardware/linux/HWClass_LinuxNetworkAdapterConfiguration.h"
#include "hardware/linux/HWClass_LinuxOperatingSystem.h"
#include "hardware/linux/HWClass_LinuxPciDevices.h"
#include "hardware/linux/HWClass_LinuxPhysicalMemory.h"
#include "hardware/linux/HWClass_LinuxProcess.h"
#include "hardware/linux/HWClass_LinuxProcessor.h"
#include "hardware/linux/HWClass_LinuxSystemEnclosure.h"
#include "hardware/linux/HWClass_LinuxUserAccount.h"
#include "hardware/linux/LinuxGuids.h"
#include "hardware/linux/LinuxMessages.h"

namespace {

// The provider classes, one X(<provider name>) each, in the order they are
// registered.
#define HX_LINUX_PROVIDERS(X)         \
  X(LinuxOperatingSystem)             \
  X(LinuxProcessor)                   \
  X(LinuxDiskDrive)                   \
  X(LinuxLogicalDisk)                 \
  X(LinuxVideoController)             \
  X(LinuxPCIDevice)                   \
  X(LinuxSystemEnclosure)             \
  X(LinuxNetworkAdapterConfiguration) \
  X(LinuxProcess)                     \
  X(LinuxUserAccount)                 \
  X(LinuxGroup)                       \
  X(LinuxComputerSystem)              \
  X(LinuxComputerSystemProduct)       \
  X(LinuxBIOS)                        \
  X(LinuxPhysicalMemory)

#define HX_PROVIDER_ENTRY(Provider) \
  ComObjectEntryC s_##Provider(CLSID_##Provider, &TrkTrack##Provider##FactoryC::Clone);
HX_LINUX_PROVIDERS(HX_PROVIDER_ENTRY)
#undef HX_PROVIDER_ENTRY

#define HX_PROVIDER_POINTER(Provider) &s_##Provider,
ComObjectEntryC* s_LinuxProviders[] = {HX_LINUX_PROVIDERS(HX_PROVIDER_POINTER) nullptr};
#undef HX_PROVIDER_POINTER

HWProviderRegistrationC s_Registration(s_LinuxProviders);

}  // namespace

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleInitialize(ComRegistryI* registry) {
  s_Registration.Register(registry);
  registry->Release();  // the entry point's reference; the registration holds
                        // its own
  return hx::RC_OK;
}

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleFinalize(ComRegistryI* registry) {
  const std::string notes = HWClass_Linux::TakeRootNotes();
  if (!notes.empty())
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, hxlinux::LOG_NEEDS_ROOT, hxlinux::TXT_NEEDS_ROOT, notes);
  s_Registration.Unregister();
  registry->Release();
  return hx::RC_OK;
}
