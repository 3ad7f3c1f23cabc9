#pragma once
// The typed configuration values. Each reads as its type through get() (see ConfVarC for
// where it looks), writes the machine hive through set() and goes back to its default with
// resetToDefault(). The registry holds every value as text:
//   string        the text as it is
//   string array  items separated by ";" (blanks around items trimmed, empty items dropped);
//                 command-line overrides give one item each
//   int32/uint32  the leading decimal number ("42", "42l" as the registry writes DWORDs),
//                 held within the value's limits; text without one reads as the default
//   boolean       True/False, Yes/No, On/Off, 1/0 in any case; anything else the default
//   binary        hexadecimal digits, two per byte; anything else the default

#include <cstdint>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "prefs/confvar/ConfVar.h"

class ConfVarStringC : public ConfVarC {
 public:
  ConfVarStringC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName, int flags,
                 const char* defaultValue);
  StringC get();
  HX_NODISCARD hx::ResultT set(const StringC& value);
  HX_NODISCARD hx::ResultT resetToDefault();
  const StringC& defaultValue() const { return default_; }

 private:
  StringC default_, value_;
};

class ConfVarStringArrayC : public ConfVarC {
 public:
  static constexpr char c_Separator = ';';
  ConfVarStringArrayC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName, int flags,
                      StringArrayC defaultValue);
  StringArrayC get();
  HX_NODISCARD hx::ResultT set(const StringArrayC& value);
  HX_NODISCARD hx::ResultT resetToDefault();

 private:
  StringArrayC default_, value_;
};

class ConfVarInt32C : public ConfVarC {
 public:
  ConfVarInt32C(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName, int flags,
                int32_t defaultValue, int32_t minimum, int32_t maximum);
  int32_t get();
  HX_NODISCARD hx::ResultT set(int32_t value);
  HX_NODISCARD hx::ResultT resetToDefault();

 private:
  int32_t default_, min_, max_, value_ = 0;
};

class ConfVarUInt32C : public ConfVarC {
 public:
  ConfVarUInt32C(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName, int flags,
                 uint32_t defaultValue, uint32_t minimum, uint32_t maximum);
  uint32_t get();
  HX_NODISCARD hx::ResultT set(uint32_t value);
  HX_NODISCARD hx::ResultT resetToDefault();

 private:
  uint32_t default_, min_, max_, value_ = 0;
};

class ConfVarBooleanC : public ConfVarC {
 public:
  ConfVarBooleanC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName, int flags,
                  bool defaultValue);
  bool get();
  HX_NODISCARD hx::ResultT set(bool value);
  HX_NODISCARD hx::ResultT resetToDefault();
  // "True" or "False".
  static StringC toString(bool value);

 private:
  bool default_, value_ = false;
};

class ConfVarBinaryC : public ConfVarC {
 public:
  ConfVarBinaryC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName, int flags,
                 const void* defaultBytes, size_t defaultSize);
  std::vector<uint8_t> get();
  HX_NODISCARD hx::ResultT set(const std::vector<uint8_t>& value);
  HX_NODISCARD hx::ResultT resetToDefault();

 private:
  std::vector<uint8_t> default_, value_;
};
