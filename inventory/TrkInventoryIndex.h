#pragma once
// The digest indexes of an inventory document: top-level entities by their flat digest (tag and
// attributes) or their deep digest (the whole subtree). Several entities may share a key. Keys
// are visited in the order in which they were first entered and the entities under a key in
// the order they were entered, so a delta built from an index has a stable order: document
// order of each item's first occurrence.

#include <unordered_map>
#include <vector>

#include "foundation/core/RefCount.h"
#include "inventory/TrkInventoryEntity.h"

// One index element: its key and a reference on the entity.
class TrkInventoryHashElemC {
 public:
  TrkInventoryHashElemC(const StringC& key, TrkInventoryEntityC* entity) : key_(key), entity_(entity) {}
  const StringC& GetKey() const { return key_; }
  TrkInventoryEntityC* GetEntity() const { return entity_.get(); }

 private:
  StringC key_;
  RefM<TrkInventoryEntityC> entity_;
};

class TrkInventoryIndexC {
 public:
  using ElemsT = std::vector<TrkInventoryHashElemC>;

  void Clear();
  void Insert(const StringC& key, TrkInventoryEntityC* entity);
  bool Contains(const StringC& key) const;
  // The elements under the key, or null when there are none.
  const ElemsT* Find(const StringC& key) const;
  // Drops every element under the key and answers how many there were.
  size_t RemoveAll(const StringC& key);
  // Number of elements (not keys).
  size_t size() const { return count_; }

  // Calls f(key, elems) for every key that has elements, in first-entry order.
  template <typename F>
  void ForEachKey(F&& f) const {
    for (const StringC& key : order_) {
      const ElemsT* elems = Find(key);
      if (elems != nullptr) f(key, *elems);
    }
  }

 private:
  // A key whose elements were removed keeps its (empty) slot and its place in the order.
  std::unordered_map<StringC, ElemsT> map_;
  std::vector<StringC> order_;
  size_t count_ = 0;
};
