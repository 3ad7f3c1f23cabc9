#pragma once
// The digest indexes of an inventory document: top-level entities by their flat digest (tag and
// attributes) or their deep digest (the whole subtree). Several entities may share a key. Keys
// are visited in the order in which they were first entered and the entities under a key in
// the order they were entered, so a delta built from an index has a stable order: document
// order of each item's first occurrence.

#include <cstdint>
#include <vector>

#include "foundation/core/RefCount.h"
#include "inventory/TrkDigestKey.h"
#include "inventory/TrkInventoryEntity.h"

// One index element: the entity, on whose reference the index decides (see TrkInventoryIndexC).
class TrkInventoryHashElemC {
 public:
  TrkInventoryHashElemC() = default;
  explicit TrkInventoryHashElemC(TrkInventoryEntityC* entity) : entity_(entity) {}
  TrkInventoryEntityC* GetEntity() const { return entity_; }

 private:
  TrkInventoryEntityC* entity_ = nullptr;
};

// The elements under one key, in the order entered. Nearly every key has one entity, which is
// kept in place; a second one moves them all into an array.
class TrkIndexElemsC {
 public:
  size_t size() const { return many_.empty() ? (one_.GetEntity() != nullptr ? 1 : 0) : many_.size(); }
  bool empty() const { return size() == 0; }
  const TrkInventoryHashElemC* begin() const { return many_.empty() ? &one_ : many_.data(); }
  const TrkInventoryHashElemC* end() const { return begin() + size(); }
  void push_back(TrkInventoryEntityC* entity);
  void clear();

 private:
  TrkInventoryHashElemC one_;
  std::vector<TrkInventoryHashElemC> many_;
};

// An index holds a reference on each entity it was given, unless it was made as a second index
// over entities that another one holds: then an entity lives as long as the holding index, and
// dropping a key or clearing the index touches none of its entities. (The delta drops keys in
// item order, which is far from the order in which a read document's entities lie in memory.)
class TrkInventoryIndexC {
 public:
  using ElemsT = TrkIndexElemsC;

  explicit TrkInventoryIndexC(bool holdsReferences = true) : holds_(holdsReferences) {}
  ~TrkInventoryIndexC() { Clear(); }
  TrkInventoryIndexC(const TrkInventoryIndexC&) = delete;
  TrkInventoryIndexC& operator=(const TrkInventoryIndexC&) = delete;

  void Clear();
  void Reserve(size_t keys);
  void Insert(const TrkDigestKeyT& key, TrkInventoryEntityC* entity);
  bool Contains(const TrkDigestKeyT& key) const { return Find(key) != nullptr; }
  // The elements under the key, or null when there are none.
  const ElemsT* Find(const TrkDigestKeyT& key) const;
  // Drops every element under the key and answers how many there were.
  size_t RemoveAll(const TrkDigestKeyT& key);
  // The same with the key as its hexadecimal text (a text that is no digest finds nothing).
  void Insert(const StringC& key, TrkInventoryEntityC* entity);
  bool Contains(const StringC& key) const { return Find(key) != nullptr; }
  const ElemsT* Find(const StringC& key) const;
  size_t RemoveAll(const StringC& key);
  // Number of elements (not keys).
  size_t size() const { return count_; }

  // Calls f(key, elems) for every key that has elements, in first-entry order.
  template <typename F>
  void ForEachKey(F&& f) const {
    for (const SlotT& slot : slots_) {
      if (!slot.elems.empty()) f(slot.key, slot.elems);
    }
  }

 private:
  // A key whose elements were removed keeps its (empty) slot and its place in the order.
  struct SlotT {
    TrkDigestKeyT key;
    ElemsT elems;
  };
  // Where the key's slot number (plus one) is, or would go, in table_.
  size_t Probe(const TrkDigestKeyT& key) const;
  void Grow();
  void Release(const ElemsT& elems) const;

  // Open addressing over the slots: 0 is an empty place. At most half full, so a probe ends soon.
  std::vector<uint32_t> table_;
  std::vector<SlotT> slots_;
  size_t count_ = 0;
  bool holds_;
};
