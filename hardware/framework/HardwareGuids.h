#pragma once
// The identifiers of the hardware provider interfaces and of every provider class.
//
// Declared here and defined once in HardwareGuids.cpp, as the inventory's identifiers are:
// ComObjectM takes the interface identifier as a reference template argument, so every
// translation unit must name the same object.
//
// A provider class <P> (the provider name the configuration uses, for example
// UnixComputerSystem) has the identifier CLSID_<P>.

#include "foundation/com/ZORGuid.h"

// The interface every hardware class provider answers (HWClassI).
extern const ZORGUID IID_TVKHWClass;
// The alternative provider interface a component from a module may offer (ZORHXTCIMProviderI).
extern const ZORGUID IID_ZORHXTCIMProvider;

extern const ZORGUID CLSID_UnixComputerSystem;
extern const ZORGUID CLSID_UnixComputerSystemFixup;
extern const ZORGUID CLSID_UnixOperatingSystem;
extern const ZORGUID CLSID_UnixNetworkAdapterConfiguration;
extern const ZORGUID CLSID_UnixSystemEnclosure;
extern const ZORGUID CLSID_UnixIBMDB2;
extern const ZORGUID CLSID_SolarisDevInfo;
extern const ZORGUID CLSID_SolarisComputerSystem;
extern const ZORGUID CLSID_SolarisOperatingSystem;
extern const ZORGUID CLSID_SolarisProcessor;
extern const ZORGUID CLSID_SolarisPhysicalMemory;
extern const ZORGUID CLSID_SolarisComputerSystemProduct;
extern const ZORGUID CLSID_SolarisBIOS;
extern const ZORGUID CLSID_SolarisDiskDrive;
extern const ZORGUID CLSID_SolarisNetworkAdapterConfiguration;
extern const ZORGUID CLSID_SolarisVideoController;
extern const ZORGUID CLSID_SolarisSystemEnclosure;
extern const ZORGUID CLSID_SolarisProcess;
