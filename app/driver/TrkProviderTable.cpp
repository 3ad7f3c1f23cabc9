#include "app/driver/TrkProviderTable.h"

#include "hardware/framework/ProviderTable.h"
#include "hardware/solaris/devices/HWClass_SolarisDiskDrive.h"
#include "hardware/solaris/devices/HWClass_SolarisPhysicalMemory.h"
#include "hardware/solaris/devices/HWClass_SolarisVideoController.h"
#include "hardware/solaris/devices/SolarisDevInfo.h"
#include "hardware/solaris/identity/HWClass_SolarisBIOS.h"
#include "hardware/solaris/identity/HWClass_SolarisComputerSystem.h"
#include "hardware/solaris/identity/HWClass_SolarisComputerSystemProduct.h"
#include "hardware/solaris/identity/HWClass_SolarisNetworkAdapterConfiguration.h"
#include "hardware/solaris/identity/HWClass_SolarisOperatingSystem.h"
#include "hardware/solaris/identity/HWClass_SolarisProcess.h"
#include "hardware/solaris/identity/HWClass_SolarisProcessor.h"
#include "hardware/solaris/identity/HWClass_SolarisSystemEnclosure.h"
#include "hardware/unix/HWClass_UnixComputerSystem.h"
#include "hardware/unix/HWClass_UnixComputerSystemFixup.h"
#include "hardware/unix/HWClass_UnixIBMDB2.h"
#include "hardware/unix/HWClass_UnixNetworkAdapterConfiguration.h"
#include "hardware/unix/HWClass_UnixOperatingSystem.h"
#include "hardware/unix/HWClass_UnixSystemEnclosure.h"

namespace {

// The provider classes, one X(<provider name>) each (see hardware/framework/ProviderTable.h),
// in the order they are registered.
#define HX_UNIX_PROVIDERS(X)   \
  X(UnixComputerSystem)        \
  X(UnixComputerSystemFixup)   \
  X(UnixOperatingSystem)       \
  X(UnixNetworkAdapterConfiguration) \
  X(UnixSystemEnclosure)       \
  X(UnixIBMDB2)                \
  X(SolarisNetworkAdapterConfiguration) \
  X(SolarisSystemEnclosure)    \
  X(SolarisProcessor)          \
  X(SolarisDevInfo)            \
  X(SolarisPhysicalMemory)     \
  X(SolarisDiskDrive)          \
  X(SolarisVideoController)    \
  X(SolarisComputerSystem)     \
  X(SolarisComputerSystemProduct) \
  X(SolarisBIOS)               \
  X(SolarisOperatingSystem)    \
  X(SolarisProcess)

#define HX_PROVIDER_ENTRY(Provider) ComObjectEntryC s_##Provider(CLSID_##Provider, &TrkTrack##Provider##FactoryC::Clone);
HX_UNIX_PROVIDERS(HX_PROVIDER_ENTRY)
#undef HX_PROVIDER_ENTRY

#define HX_PROVIDER_POINTER(Provider) &s_##Provider,
ComObjectEntryC* s_UnixProviders[] = {HX_UNIX_PROVIDERS(HX_PROVIDER_POINTER) nullptr};
#undef HX_PROVIDER_POINTER

}  // namespace

namespace trk {

ComObjectEntryC** UnixProviderTable() { return s_UnixProviders; }

}  // namespace trk
