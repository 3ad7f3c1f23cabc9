#include "hardware/solaris/topology/KStatCpuInfo.h"

#include <algorithm>

#include "hardware/solaris/topology/KStatUtil.h"

namespace {

constexpr const char* c_Module = "cpu_info";
constexpr const char* c_Unsupported = "(unsupported)";
constexpr const char* c_OffLine = "off-line";

StringC Value(const hx::KStatT& stat, const char* name) {
  StringC value;
  HX_IGNORE_RESULT(stat.Find(name, value));  // a statistic it lacks reads as empty
  return value;
}

StringC Text(const hx::KStatT& stat, const char* name) { return KStatUtilC::knamedAsString(Value(stat, name)); }
int64_t Number(const hx::KStatT& stat, const char* name) { return KStatUtilC::knamedAsInt(Value(stat, name)); }

template <typename T>
const T* FindById(const std::vector<T>& items, int64_t id) {
  const auto it = std::find_if(items.begin(), items.end(), [id](const T& t) { return t.id() == id; });
  return it == items.end() ? nullptr : &*it;
}

}  // namespace

const KStatThreadC* KStatCoreC::findThread(int64_t id) const { return FindById(threads_, id); }

void KStatCoreC::addThread(int64_t id, bool online) {
  if (findThread(id) == nullptr) threads_.emplace_back(id, online);
}

int KStatCoreC::getThreadCount(bool onlineOnly, const std::vector<long long>* cpuIds) const {
  int n = 0;
  for (const KStatThreadC& t : threads_) {
    if (onlineOnly && !t.online()) continue;
    if (cpuIds != nullptr && std::find(cpuIds->begin(), cpuIds->end(), t.id()) == cpuIds->end()) continue;
    ++n;
  }
  return n;
}

const KStatCoreC* KStatChipC::findCore(int64_t id) const { return FindById(cores_, id); }

KStatCoreC& KStatChipC::findOrAddCore(int64_t id) {
  for (KStatCoreC& c : cores_) {
    if (c.id() == id) return c;
  }
  return cores_.emplace_back(id);
}

int KStatChipC::getThreadCount() const {
  int n = 0;
  for (const KStatCoreC& c : cores_) n += static_cast<int>(c.threads().size());
  return n;
}

void KStatChipC::describe(int64_t clockMHz, const StringC& name, const StringC& description, const StringC& vendor) {
  clockMHz_ = clockMHz;
  name_ = name;
  description_ = description;
  vendor_ = vendor;
}

const KStatCpuInfoC& KStatCpuInfoC::Instance() {
  static const KStatCpuInfoC s_instance = [] {
    hx::KStatChainT chain;
    HX_IGNORE_RESULT(hx::KStatReadChain(chain));  // without statistics the chain is empty: no processors known
    return KStatCpuInfoC(chain);
  }();
  return s_instance;
}

KStatCpuInfoC::KStatCpuInfoC(const hx::KStatChainT& chain) {
  for (const hx::KStatT& stat : chain) {
    if (stat.module == c_Module) addProcessor(stat);
  }
}

const KStatChipC* KStatCpuInfoC::findChip(int64_t id) const { return FindById(chips_, id); }

void KStatCpuInfoC::addProcessor(const hx::KStatT& stat) {
  const int64_t chipId = Number(stat, "chip_id");
  auto chip = std::find_if(chips_.begin(), chips_.end(), [chipId](const KStatChipC& c) { return c.id() == chipId; });
  if (chip == chips_.end()) {
    // The first processor of a chip describes it; the brand may be a placeholder where the
    // kernel could not tell, and the implementation text is the better name then.
    const StringC brand = Text(stat, "brand");
    const StringC implementation = Text(stat, "implementation");
    const StringC description = implementation == c_Unsupported ? StringC() : implementation;
    StringC name = brand;
    if (brand.empty() || brand == c_Unsupported) name = !description.empty() ? description : Text(stat, "cpu_type");
    chips_.emplace_back(chipId);
    chip = chips_.end() - 1;
    chip->describe(Number(stat, "clock_MHz"), name, description, Text(stat, "vendor_id"));
  }
  chip->findOrAddCore(Number(stat, "core_id")).addThread(stat.instance, Text(stat, "state") != c_OffLine);
}

void KStatCpuInfoC::getProcessorCounts(int& chips, int& cores, int& threads, bool onlineOnly,
                                       const std::vector<long long>* cpuIds) const {
  chips = cores = threads = 0;
  for (const KStatChipC& chip : chips_) {
    int chipCores = 0;
    for (const KStatCoreC& core : chip.cores()) {
      const int counted = core.getThreadCount(onlineOnly, cpuIds);
      threads += counted;
      if (counted > 0) ++chipCores;
    }
    cores += chipCores;
    if (chipCores > 0) ++chips;
  }
}
