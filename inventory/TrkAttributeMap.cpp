#include "inventory/TrkAttributeMap.h"

#include <algorithm>

void TrkAttributeMapC::Set(std::string_view name, StringC value) {
  for (auto& a : attrs_) {
    if (a.GetName() == name) {
      a.SetValue(std::move(value));
      return;
    }
  }
  // Entities carry a handful of attributes: room for them at once spares the growth steps
  // (a file scan makes hundreds of thousands of entities).
  if (attrs_.empty()) attrs_.reserve(c_FirstCapacity);
  attrs_.emplace_back(name, std::move(value));
}

const TrkAttributeC* TrkAttributeMapC::Find(std::string_view name) const {
  for (const auto& a : attrs_)
    if (a.GetName() == name) return &a;
  return nullptr;
}

hx::ResultT TrkAttributeMapC::Remove(std::string_view name) {
  const auto it = std::find_if(attrs_.begin(), attrs_.end(), [name](const TrkAttributeC& a) { return a.GetName() == name; });
  if (it == attrs_.end()) return hx::RC_FAIL;
  attrs_.erase(it);
  return hx::RC_OK;
}
