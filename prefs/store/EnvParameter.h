#pragma once
// One value of the environment. Its form is fixed when it is created: a list (in insertion
// order, or sorted, with a current position) or a single value. The form decides what Add and
// Set mean:
//
//   list    Add appends (unless the list is unique and holds the value already, or the value is
//           empty and empty values are not allowed) and makes the new value the current one;
//           Set replaces the whole list by the one value.
//   single  Set replaces the value; Add takes the value only while the stored one is empty.
//
// Reading a single value from a list gives the value at the current position.

#include <cstddef>
#include <cstdint>

#include "foundation/core/Text.h"

class env_ParameterC {
 public:
  // `options` are the env_EnvOptsC bits of the name object whose write creates the parameter.
  env_ParameterC(StringC name, uint32_t options);

  const StringC& Name() const { return name_; }
  bool IsMulti() const { return multi_; }
  uint32_t Options() const { return options_; }

  void Add(const StringC& value);
  void Set(const StringC& value);

  // The single value: the stored value, or the list's current value ("" for an empty list).
  const StringC& Value() const;
  // All values: the list in order, or the single value when it is not empty.
  StringArrayC Values() const;
  size_t Count() const;
  bool IsEmpty() const { return Count() == 0; }

 private:
  void AddToList(const StringC& value);

  StringC name_;
  uint32_t options_;
  bool multi_;
  StringArrayC values_;  // a single value is kept as the only element
  size_t current_ = 0;
};
