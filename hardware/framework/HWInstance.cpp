#include "hardware/framework/HWInstance.h"

#include <algorithm>

void PropertyMap::put(const StringC& name, const StringC& value) {
  // Erase first: assigning through an existing entry would keep the old spelling of the name.
  map_.erase(name);
  map_.emplace(name, value);
}

StringC PropertyMap::get(const StringC& name) const {
  const auto it = map_.find(name);
  return it != map_.end() ? it->second : StringC();
}

StringArrayC PropertyMap::SortedNames() const {
  StringArrayC names;
  names.reserve(map_.size());
  for (const auto& entry : map_) names.push_back(entry.first);
  // std::string compares its bytes as unsigned char: byte-wise UTF-8 order.
  std::sort(names.begin(), names.end());
  return names;
}
