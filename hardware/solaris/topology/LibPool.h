#pragma once
// The resource pool configuration of the machine, as the virtualisation properties read it:
// which pool the running process is bound to, whether that pool is active, and which
// processors its processor set holds.
//
// LibPoolSystemC is the open configuration; the element classes keep a reference to it, so
// the configuration lives as long as any of its elements. The configuration comes from the
// pool stand-in (platform/Pools.h); when pools are not available, createLibPoolSystem gives
// an empty reference and callers fall back to the processors of the whole machine.

#include <cstdint>
#include <optional>
#include <vector>

#include "foundation/core/RefCount.h"
#include "foundation/core/Text.h"
#include "platform/Pools.h"

class LibPoolSystemC;

// One element of the configuration with its typed properties. A property that is missing, or
// has another type than asked for, gives "", 0 or false.
class LibPoolElemC {
 public:
  LibPoolElemC(RefM<LibPoolSystemC> system, const hx::PoolElemT* element)
      : system_(std::move(system)), element_(element) {}

  StringC getStringProperty(const StringC& name) const;
  uint64_t getUIntProperty(const StringC& name) const;
  int64_t getIntProperty(const StringC& name) const;
  bool getBoolProperty(const StringC& name) const;
  double getDoubleProperty(const StringC& name) const;

 protected:
  const hx::PoolPropT* Find(const StringC& name, hx::PoolPropT::TypeE type) const;

  RefM<LibPoolSystemC> system_;
  const hx::PoolElemT* element_;
};

class LibPoolCpuC : public LibPoolElemC {
 public:
  using LibPoolElemC::LibPoolElemC;
  // "cpu.sys_id".
  int64_t id() const;
};

class LibPoolPsetC : public LibPoolElemC {
 public:
  LibPoolPsetC(RefM<LibPoolSystemC> system, const hx::PsetT* pset) : LibPoolElemC(std::move(system), pset), pset_(pset) {}
  StringC name() const { return pset_->name; }
  // "pset.size".
  uint64_t size() const;
  std::vector<LibPoolCpuC> listCpus() const;
  // The ids of its processors, ascending.
  std::vector<long long> sortedCpuIds() const;

 private:
  const hx::PsetT* pset_;
};

class LibPoolPoolC : public LibPoolElemC {
 public:
  LibPoolPoolC(RefM<LibPoolSystemC> system, const hx::PoolT* pool) : LibPoolElemC(std::move(system), pool), pool_(pool) {}
  StringC name() const { return pool_->name; }
  // "pool.active".
  bool active() const;
  // Its processor set; none when the pool names none or the set is not in the configuration.
  std::optional<LibPoolPsetC> pset() const;

 private:
  const hx::PoolT* pool_;
};

class LibPoolSystemC : public RefCountC {
 public:
  // The machine's dynamic configuration; empty when pools are not available.
  static RefM<LibPoolSystemC> createLibPoolSystem();

  explicit LibPoolSystemC(hx::PoolConfT conf) : conf_(std::move(conf)) {}

  StringC name() const { return conf_.system.name; }
  std::vector<LibPoolPoolC> listPools();
  // The pool of that name (compared exactly).
  std::optional<LibPoolPoolC> poolByName(const StringC& name);
  // The pool the running process is bound to; none when the binding cannot be told or names
  // a pool that is not in the configuration.
  std::optional<LibPoolPoolC> currentProcessPool();
  std::optional<LibPoolPsetC> currentProcessPset();

  const hx::PoolConfT& configuration() const { return conf_; }

 protected:
  ~LibPoolSystemC() override = default;

 private:
  hx::PoolConfT conf_;
};
