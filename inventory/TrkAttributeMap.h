#pragma once
// TrkAttributeMapC: the attributes of an entity, kept in the order in which each name was first
// set. Setting a name again replaces the value where it stands, so a tracker that corrects a
// value does not reorder the element (the order is part of the entity's digest). Names match
// exactly, case included. Entities carry a handful of attributes, so a linear search beats any
// hash table here.

#include <string_view>
#include <utility>
#include <vector>

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
  static constexpr size_t c_FirstCapacity = 2;

  // Name and value are taken as they are: the entity applies the character rule before.
  void Set(std::string_view name, StringC value);
  // The attribute, or null.
  const TrkAttributeC* Find(std::string_view name) const;
  // RC_FAIL when there is no such attribute.
  hx::ResultT Remove(std::string_view name);

  size_t size() const { return attrs_.size(); }
  bool empty() const { return attrs_.empty(); }
  const TrkAttributeC& operator[](size_t i) const { return attrs_[i]; }
  std::vector<TrkAttributeC>::const_iterator begin() const { return attrs_.begin(); }
  std::vector<TrkAttributeC>::const_iterator end() const { return attrs_.end(); }

 private:
  std::vector<TrkAttributeC> attrs_;
};
