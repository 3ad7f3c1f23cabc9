#pragma once
// The processor topology of the machine as its kernel statistics (module cpu_info, one
// statistic per processor) describe it: chips, their cores, and the hardware threads of each
// core, which are the processors the system schedules on.
//
// Use:
//     const KStatCpuInfoC& cpus = KStatCpuInfoC::Instance();   // read once per process
//     int chips, cores, threads;
//     cpus.getProcessorCounts(chips, cores, threads, true, nullptr);   // on-line ones only
// No statistics give no chips and zero counts.

#include <cstdint>
#include <vector>

#include "foundation/core/Text.h"
#include "platform/KStat.h"

class KStatThreadC {
 public:
  KStatThreadC(int64_t id, bool online) : id_(id), online_(online) {}
  // The processor id (the statistic's instance number).
  int64_t id() const { return id_; }
  bool online() const { return online_; }

 private:
  int64_t id_;
  bool online_;
};

class KStatCoreC {
 public:
  explicit KStatCoreC(int64_t id) : id_(id) {}
  int64_t id() const { return id_; }
  const std::vector<KStatThreadC>& threads() const { return threads_; }
  const KStatThreadC* findThread(int64_t id) const;
  // Adds a thread unless one with its id is there.
  void addThread(int64_t id, bool online);
  // The threads that are on-line when onlineOnly, and whose id is in cpuIds when given.
  int getThreadCount(bool onlineOnly, const std::vector<long long>* cpuIds) const;

 private:
  int64_t id_;
  std::vector<KStatThreadC> threads_;
};

class KStatChipC {
 public:
  explicit KStatChipC(int64_t id) : id_(id) {}
  int64_t id() const { return id_; }
  int64_t clockMHz() const { return clockMHz_; }
  const StringC& name() const { return name_; }
  const StringC& description() const { return description_; }
  const StringC& vendor() const { return vendor_; }
  const std::vector<KStatCoreC>& cores() const { return cores_; }
  const KStatCoreC* findCore(int64_t id) const;
  KStatCoreC& findOrAddCore(int64_t id);
  // Every thread of every core, on-line or not.
  int getThreadCount() const;

  void describe(int64_t clockMHz, const StringC& name, const StringC& description, const StringC& vendor);

 private:
  int64_t id_;
  int64_t clockMHz_ = 0;
  StringC name_;
  StringC description_;
  StringC vendor_;
  std::vector<KStatCoreC> cores_;
};

class KStatCpuInfoC {
 public:
  // The machine's topology, read from its kernel statistics at the first call and kept.
  static const KStatCpuInfoC& Instance();

  // The topology of a statistics chain: every statistic of module cpu_info is one processor.
  explicit KStatCpuInfoC(const hx::KStatChainT& chain);

  // Chips in the order their first processor comes in the chain.
  const std::vector<KStatChipC>& chips() const { return chips_; }
  const KStatChipC* findChip(int64_t id) const;
  // Counts threads (on-line ones when onlineOnly, those in cpuIds when given), the cores with at
  // least one counted thread, and the chips with at least one such core.
  void getProcessorCounts(int& chips, int& cores, int& threads, bool onlineOnly,
                          const std::vector<long long>* cpuIds) const;

 private:
  void addProcessor(const hx::KStatT& stat);

  std::vector<KStatChipC> chips_;
};
