#include "inventory/TrkAttributeMap.h"

#include <new>

TrkAttributeMapC::BlockT* TrkAttributeMapC::Allocate(uint32_t capacity) {
  void* raw = ::operator new(sizeof(BlockT) + capacity * sizeof(TrkAttributeC));
  return new (raw) BlockT{0, capacity};
}

void TrkAttributeMapC::Free(BlockT* block) {
  if (block == nullptr) return;
  TrkAttributeC* items = Items(block);
  for (uint32_t i = 0; i < block->size; ++i) items[i].~TrkAttributeC();
  ::operator delete(block);
}

TrkAttributeMapC::TrkAttributeMapC(const TrkAttributeMapC& other) {
  if (other.empty()) return;
  block_ = Allocate(static_cast<uint32_t>(other.size()));
  for (const TrkAttributeC& a : other) {
    new (Items(block_) + block_->size) TrkAttributeC(a);
    ++block_->size;
  }
}

TrkAttributeMapC& TrkAttributeMapC::operator=(const TrkAttributeMapC& other) {
  if (this != &other) {
    TrkAttributeMapC copy(other);
    std::swap(block_, copy.block_);
  }
  return *this;
}

void TrkAttributeMapC::Grow() {
  // Entities carry a handful of attributes: room for them at once spares the growth steps.
  BlockT* grown = Allocate(block_ != nullptr ? 2 * block_->capacity : c_FirstCapacity);
  if (block_ != nullptr) {
    TrkAttributeC* from = Items(block_);
    for (uint32_t i = 0; i < block_->size; ++i) new (Items(grown) + i) TrkAttributeC(std::move(from[i]));
    grown->size = block_->size;
  }
  Free(block_);
  block_ = grown;
}

void TrkAttributeMapC::Set(std::string_view name, StringC value) {
  TrkAttributeC* items = block_ != nullptr ? Items(block_) : nullptr;
  for (uint32_t i = 0; i < size(); ++i) {
    if (items[i].GetName() == name) {
      items[i].SetValue(std::move(value));
      return;
    }
  }
  if (block_ == nullptr || block_->size == block_->capacity) Grow();
  new (Items(block_) + block_->size) TrkAttributeC(name, std::move(value));
  ++block_->size;
}

const TrkAttributeC* TrkAttributeMapC::Find(std::string_view name) const {
  for (const TrkAttributeC& a : *this)
    if (a.GetName() == name) return &a;
  return nullptr;
}

hx::ResultT TrkAttributeMapC::Remove(std::string_view name) {
  const TrkAttributeC* found = Find(name);
  if (found == nullptr) return hx::RC_FAIL;
  TrkAttributeC* items = Items(block_);
  for (auto i = static_cast<uint32_t>(found - items); i + 1 < block_->size; ++i) items[i] = std::move(items[i + 1]);
  items[--block_->size].~TrkAttributeC();
  return hx::RC_OK;
}
