#include "hardware/solaris/topology/LibPool.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/core/Text.h"

namespace {

constexpr const char* c_True = "true";

}  // namespace

const hx::PoolPropT* LibPoolElemC::Find(const StringC& name, hx::PoolPropT::TypeE type) const {
  const hx::PoolPropT* p = element_ != nullptr ? element_->Find(name) : nullptr;
  return p != nullptr && p->type == type ? p : nullptr;
}

StringC LibPoolElemC::getStringProperty(const StringC& name) const {
  const hx::PoolPropT* p = Find(name, hx::PoolPropT::String);
  return p != nullptr ? p->value : StringC();
}

uint64_t LibPoolElemC::getUIntProperty(const StringC& name) const {
  const hx::PoolPropT* p = Find(name, hx::PoolPropT::UInt);
  uint64_t n = 0;
  return p != nullptr && hx::ParseUInt64(p->value, n) ? n : 0;
}

int64_t LibPoolElemC::getIntProperty(const StringC& name) const {
  const hx::PoolPropT* p = Find(name, hx::PoolPropT::Int);
  int64_t n = 0;
  return p != nullptr && hx::ParseInt64(p->value, n) ? n : 0;
}

bool LibPoolElemC::getBoolProperty(const StringC& name) const {
  const hx::PoolPropT* p = Find(name, hx::PoolPropT::Boolean);
  return p != nullptr && p->value == c_True;
}

double LibPoolElemC::getDoubleProperty(const StringC& name) const {
  const hx::PoolPropT* p = Find(name, hx::PoolPropT::Double);
  return p != nullptr ? std::strtod(p->value.c_str(), nullptr) : 0.0;
}

int64_t LibPoolCpuC::id() const { return getIntProperty("cpu.sys_id"); }

uint64_t LibPoolPsetC::size() const { return getUIntProperty("pset.size"); }

std::vector<LibPoolCpuC> LibPoolPsetC::listCpus() const {
  std::vector<LibPoolCpuC> cpus;
  for (const hx::PoolElemT& cpu : pset_->cpus) cpus.emplace_back(system_, &cpu);
  return cpus;
}

std::vector<long long> LibPoolPsetC::sortedCpuIds() const {
  std::vector<long long> ids;
  for (const LibPoolCpuC& cpu : listCpus()) ids.push_back(cpu.id());
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool LibPoolPoolC::active() const { return getBoolProperty("pool.active"); }

std::optional<LibPoolPsetC> LibPoolPoolC::pset() const {
  if (pool_->pset.empty()) return std::nullopt;
  for (const hx::PsetT& s : system_->configuration().psets) {
    if (s.name == pool_->pset) return LibPoolPsetC(system_, &s);
  }
  return std::nullopt;
}

RefM<LibPoolSystemC> LibPoolSystemC::createLibPoolSystem() {
  hx::PoolConfT conf;
  if (!hx::PoolReadConfiguration(conf)) return RefM<LibPoolSystemC>();
  return RefM<LibPoolSystemC>(new LibPoolSystemC(std::move(conf)));
}

std::vector<LibPoolPoolC> LibPoolSystemC::listPools() {
  std::vector<LibPoolPoolC> pools;
  for (const hx::PoolT& p : conf_.pools) pools.emplace_back(RefM<LibPoolSystemC>(this), &p);
  return pools;
}

std::optional<LibPoolPoolC> LibPoolSystemC::poolByName(const StringC& name) {
  for (const LibPoolPoolC& p : listPools()) {
    if (p.name() == name) return p;
  }
  return std::nullopt;
}

std::optional<LibPoolPoolC> LibPoolSystemC::currentProcessPool() {
  StringC bound;
  if (!hx::PoolBinding(bound)) return std::nullopt;
  return poolByName(bound);
}

std::optional<LibPoolPsetC> LibPoolSystemC::currentProcessPset() {
  const std::optional<LibPoolPoolC> pool = currentProcessPool();
  return pool ? pool->pset() : std::nullopt;
}
