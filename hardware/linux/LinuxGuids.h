#pragma once
// The class identifiers of the Linux providers (CLSID_Linux<Class>), defined
// once in LinuxGuids.cpp: the module's factories and its registration table
// name the same objects.

#include "foundation/com/ZORGuid.h"

extern const ZORGUID CLSID_LinuxComputerSystem;
extern const ZORGUID CLSID_LinuxComputerSystemProduct;
extern const ZORGUID CLSID_LinuxBIOS;
extern const ZORGUID CLSID_LinuxOperatingSystem;
extern const ZORGUID CLSID_LinuxProcessor;
extern const ZORGUID CLSID_LinuxPhysicalMemory;
extern const ZORGUID CLSID_LinuxDiskDrive;
extern const ZORGUID CLSID_LinuxLogicalDisk;
extern const ZORGUID CLSID_LinuxNetworkAdapterConfiguration;
extern const ZORGUID CLSID_LinuxVideoController;
extern const ZORGUID CLSID_LinuxPCIDevice;
extern const ZORGUID CLSID_LinuxProcess;
extern const ZORGUID CLSID_LinuxUserAccount;
extern const ZORGUID CLSID_LinuxGroup;
extern const ZORGUID CLSID_LinuxSystemEnclosure;
