#include "hardware/solaris/topology/Virtualization.h"

#include "foundation/core/Format.h"

namespace {

constexpr const char* c_CountFormat = "%d";

StringC Count(int n) { return hx::Format(c_CountFormat, n); }

// The pool's share: its name, its set's name and the on-line processors of the set. False
// when the pool is not active or has no set.
bool AddPoolCapacity(HWInstance& instance, const KStatCpuInfoC& cpus, const LibPoolPoolC& pool) {
  if (!pool.active()) return false;
  const std::optional<LibPoolPsetC> pset = pool.pset();
  if (!pset) return false;
  instance.AddProperty(hxsol::c_SharedPoolID, pool.name());
  instance.AddProperty(hxsol::c_ProcessorSetName, pset->name());
  const std::vector<long long> ids = pset->sortedCpuIds();
  int chips = 0, cores = 0, threads = 0;
  cpus.getProcessorCounts(chips, cores, threads, true, &ids);
  instance.AddProperty(hxsol::c_SharedPoolCapacity, Count(chips));
  instance.AddProperty(hxsol::c_SharedPoolCapacityInCores, Count(cores));
  instance.AddProperty(hxsol::c_VMCapacity, Count(chips));
  instance.AddProperty(hxsol::c_VMCapacityInCores, Count(cores));
  instance.AddProperty(hxsol::c_VMOnlineProcessorCount, Count(threads));
  return true;
}

}  // namespace

namespace hxsol {

void AddVirtualizationProperties(HWInstance& instance, const ZoneInfoC& zone, const KStatCpuInfoC& cpus,
                                 const std::optional<LibPoolPoolC>& boundPool) {
  if (zone.zoneName().empty()) return;
  instance.AddProperty(c_VMName, zone.zoneName());
  instance.AddProperty(c_VMID, zone.zoneId().empty() ? zone.zoneName() : zone.zoneId());
  int chips = 0, cores = 0, threads = 0;
  if (zone.zoneName() == ZoneInfoC::c_GlobalZone) {
    cpus.getProcessorCounts(chips, cores, threads, false, nullptr);
    instance.AddProperty(c_NodeCapacity, Count(chips));
    instance.AddProperty(c_NodeCapacityInCores, Count(cores));
    instance.AddProperty(c_NodeCapacityInThreads, Count(threads));
  }
  if (!boundPool || !AddPoolCapacity(instance, cpus, *boundPool)) {
    cpus.getProcessorCounts(chips, cores, threads, true, nullptr);
    instance.AddProperty(c_VMCapacity, Count(chips));
    instance.AddProperty(c_VMCapacityInCores, Count(cores));
    instance.AddProperty(c_VMOnlineProcessorCount, Count(threads));
  }
  instance.AddProperty(c_VMType, c_ZoneType);
}

}  // namespace hxsol
