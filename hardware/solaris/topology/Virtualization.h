#pragma once
// The virtualisation properties of the computer system: the zone the tracker runs in, the
// capacity of the whole machine (in the global zone), and the share of it the zone may use,
// which is the processor set of the resource pool the process is bound to, or every on-line
// processor when there is no such pool.

#include <optional>

#include "hardware/framework/HWInstance.h"
#include "hardware/solaris/topology/KStatCpuInfo.h"
#include "hardware/solaris/topology/LibPool.h"
#include "hardware/solaris/topology/ZoneInfo.h"

namespace hxsol {

constexpr const char* c_VMName = "VMName";
constexpr const char* c_VMID = "VMID";
constexpr const char* c_NodeCapacity = "NodeCapacity";
constexpr const char* c_NodeCapacityInCores = "NodeCapacityInCores";
constexpr const char* c_NodeCapacityInThreads = "NodeCapacityInThreads";
constexpr const char* c_SharedPoolID = "SharedPoolID";
constexpr const char* c_ProcessorSetName = "ProcessorSetName";
constexpr const char* c_SharedPoolCapacity = "SharedPoolCapacity";
constexpr const char* c_SharedPoolCapacityInCores = "SharedPoolCapacityInCores";
constexpr const char* c_VMCapacity = "VMCapacity";
constexpr const char* c_VMCapacityInCores = "VMCapacityInCores";
constexpr const char* c_VMOnlineProcessorCount = "VMOnlineProcessorCount";
constexpr const char* c_VMType = "VMType";
constexpr const char* c_ZoneType = "Zone";

// Puts the properties on `instance`: nothing without a zone name; else the zone's name and
// identifier, the node capacity in the global zone, the pool's or the machine's on-line
// capacity, and the type. `boundPool` is the pool the process is bound to, when known.
void AddVirtualizationProperties(HWInstance& instance, const ZoneInfoC& zone, const KStatCpuInfoC& cpus,
                                 const std::optional<LibPoolPoolC>& boundPool);

}  // namespace hxsol
