#include "inventory/TrkNamePool.h"

#include <array>
#include <mutex>
#include <unordered_set>

namespace trk {

namespace {

constexpr size_t c_RecentSlots = 64;

const StringC& PooledNameLocked(std::string_view name) {
  static std::mutex s_lock;
  // Node-based: a pooled name never moves when the set grows.
  static auto* s_names = new std::unordered_set<StringC>();
  std::lock_guard<std::mutex> hold(s_lock);
  return *s_names->emplace(name).first;
}

}  // namespace

const StringC& PooledName(std::string_view name) {
  // The names met recently on this thread, by a cheap hash: a document repeats a few names
  // hundreds of thousands of times, and the shared set takes a lock.
  thread_local std::array<const StringC*, c_RecentSlots> t_recent{};
  const size_t at = name.empty() ? 0 : (name.size() * 31 + static_cast<unsigned char>(name[0]) * 7 +
                                        static_cast<unsigned char>(name.back())) % c_RecentSlots;
  const StringC* known = t_recent[at];
  if (known != nullptr && *known == name) return *known;
  const StringC& pooled = PooledNameLocked(name);
  t_recent[at] = &pooled;
  return pooled;
}

}  // namespace trk
