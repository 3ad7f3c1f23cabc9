#pragma once
// TrkAttributeMapC: the attributes of an entity, kept in the order in which each name was first
// set. Setting a name again replaces the value where it stands, so a tracker that corrects a
// value does not reorder the element (the order is part of the entity's digest). Names match
// exactly, case included. Entities carry a handful of attributes, so a linear search beats any
// hash table here.
//
// A file scan makes hundreds of thousands of entities, each with its map: the map is one
// pointer to a single block holding its count, its room and the attributes, and an entity
// without attributes has no block at all.

#include <cstdint>
#include <string_view>
#include <utility>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "inventory/TrkNamePool.h"

class TrkAttributeC {
 public:
  TrkAttributeC(std::string_view name, StringC value) : name_(&trk::PooledName(name)), value_(std::move(value)) {}
  const StringC& GetName() const { return *name_; }
  const StringC& GetValue() const { return value_; }
  void SetValue(StringC value) { value_ = std::move(value); }

 private:
  const StringC* name_;  // pooled
  StringC value_;
};

class TrkAttributeMapC {
 public:
  static constexpr uint32_t c_FirstCapacity = 2;

  TrkAttributeMapC() = default;
  TrkAttributeMapC(const TrkAttributeMapC& other);
  TrkAttributeMapC& operator=(const TrkAttributeMapC& other);
  ~TrkAttributeMapC() { Free(block_); }

  // Name and value are taken as they are: the entity applies the character rule before.
  void Set(std::string_view name, StringC value);
  // The attribute, or null.
  const TrkAttributeC* Find(std::string_view name) const;
  // RC_FAIL when there is no such attribute.
  HX_NODISCARD hx::ResultT Remove(std::string_view name);

  size_t size() const { return block_ != nullptr ? block_->size : 0; }
  bool empty() const { return size() == 0; }
  const TrkAttributeC& operator[](size_t i) const { return begin()[i]; }
  const TrkAttributeC* begin() const { return block_ != nullptr ? Items(block_) : nullptr; }
  const TrkAttributeC* end() const { return begin() + size(); }

 private:
  struct alignas(TrkAttributeC) BlockT {
    uint32_t size;
    uint32_t capacity;
  };
  static TrkAttributeC* Items(BlockT* block) { return reinterpret_cast<TrkAttributeC*>(block + 1); }
  static BlockT* Allocate(uint32_t capacity);
  // Destroys the attributes and releases the block (null is nothing).
  static void Free(BlockT* block);
  void Grow();

  BlockT* block_ = nullptr;
};
