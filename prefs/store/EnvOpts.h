#pragma once
// env_EnvOptsC: the name object of a preference, a name with option bits. The bits decide how
// the environment stores what is written through the object (a list or a single value) and how
// a list treats duplicates, order and empty values.

#include <cstdint>

#include "foundation/core/Text.h"

class env_EnvOptsC {
 public:
  static constexpr uint32_t values_multi = 0x1;       // the preference holds a list
  static constexpr uint32_t values_unique = 0x2;      // a list ignores a value it already holds
  static constexpr uint32_t values_sorted = 0x4;      // a list keeps its values sorted
  static constexpr uint32_t allow_empty = 0x8;        // a list accepts empty values
  static constexpr uint32_t store_persistent = 0x10;  // kept for the shared library's storage
  static constexpr uint32_t save_allowed = 0x20;      // kept for the shared library's storage
  static constexpr uint32_t lazy_evaluation = 0x40;   // kept for the shared library's storage
  static constexpr uint32_t options_default = 0;
  static constexpr uint32_t options_none = 0;
  static constexpr uint32_t options_all = 0xFFFFFFFFu;

  env_EnvOptsC() = default;
  // Explicit, so that a bare text never chooses between a name and a name object.
  explicit env_EnvOptsC(StringC name, uint32_t options = options_default)
      : name_(std::move(name)), options_(options) {}
  explicit env_EnvOptsC(const char* name, uint32_t options = options_default)
      : name_(name ? name : ""), options_(options) {}

  const StringC& Name() const { return name_; }
  void Rename(const StringC& name) { name_ = name; }
  // True when every bit of `bits` is set.
  bool IsSet(uint32_t bits) const { return (options_ & bits) == bits; }
  // Sets (on non-zero) or clears the bits.
  void Set(uint32_t bits, unsigned char on);
  uint32_t Options() const { return options_; }
  operator const StringC&() const { return name_; }

  bool IsMulti() const { return IsSet(values_multi); }

 private:
  StringC name_;
  uint32_t options_ = options_default;
};
