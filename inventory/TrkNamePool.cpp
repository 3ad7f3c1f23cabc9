#include "inventory/TrkNamePool.h"

#include <mutex>
#include <unordered_set>

namespace trk {

const StringC& PooledName(std::string_view name) {
  static std::mutex s_lock;
  // Node-based: a pooled name never moves when the set grows.
  static auto* s_names = new std::unordered_set<StringC>();
  std::lock_guard<std::mutex> hold(s_lock);
  return *s_names->emplace(name).first;
}

}  // namespace trk
