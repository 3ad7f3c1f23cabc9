#include "inventory/TrkInventoryIndex.h"

void TrkInventoryIndexC::Clear() {
  map_.clear();
  order_.clear();
  count_ = 0;
}

void TrkInventoryIndexC::Insert(const StringC& key, TrkInventoryEntityC* entity) {
  auto [it, added] = map_.try_emplace(key);
  if (added) order_.push_back(key);
  it->second.emplace_back(key, entity);
  ++count_;
}

bool TrkInventoryIndexC::Contains(const StringC& key) const { return Find(key) != nullptr; }

const TrkInventoryIndexC::ElemsT* TrkInventoryIndexC::Find(const StringC& key) const {
  const auto it = map_.find(key);
  return it == map_.end() || it->second.empty() ? nullptr : &it->second;
}

size_t TrkInventoryIndexC::RemoveAll(const StringC& key) {
  const auto it = map_.find(key);
  if (it == map_.end()) return 0;
  const size_t n = it->second.size();
  it->second.clear();
  count_ -= n;
  return n;
}
