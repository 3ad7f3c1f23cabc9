#include "app/driver/TrkProviderTable.h"

namespace {

// The hardware subsystem adds its providers here, one ComObjectEntryC per class, in this
// order: TrkTrackUnixComputerSystem, TrkTrackUnixComputerSystemFixup,
// TrkTrackUnixOperatingSystem, TrkTrackUnixNetworkAdapterConfiguration,
// TrkTrackUnixSystemEnclosure, TrkTrackUnixIBMDB2, TrkTrackSolarisDevInfo,
// TrkTrackSolarisComputerSystem, TrkTrackSolarisOperatingSystem,
// TrkTrackSolarisNetworkAdapterConfiguration, TrkTrackSolarisProcessor,
// TrkTrackSolarisPhysicalMemory, TrkTrackSolarisComputerSystemProduct, TrkTrackSolarisBIOS,
// TrkTrackSolarisDiskDrive, TrkTrackSolarisVideoController, TrkTrackSolarisSystemEnclosure,
// TrkTrackSolarisProcess. Until then the table is empty and registering it changes nothing.
ComObjectEntryC* s_UnixProviders[] = {
    nullptr,
};

}  // namespace

namespace trk {

ComObjectEntryC** UnixProviderTable() { return s_UnixProviders; }

}  // namespace trk
