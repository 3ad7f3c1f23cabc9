#include "prefs/confvar/ConfVarTypes.h"

#include <algorithm>
#include <cstring>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// The leading decimal number of a text (optional sign, then digits), as the registry's DWORD
// form "42l" needs; false when there are no digits. Saturates far outside 32 bits.
bool LeadingNumber(std::string_view s, bool allowSign, int64_t* out) {
  s = hx::TrimView(s);
  bool negative = false;
  if (allowSign && !s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int64_t n = 0;
  size_t digits = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    n = std::min<int64_t>(n * 10 + (c - '0'), INT64_C(1) << 40);
    ++digits;
  }
  if (digits == 0) return false;
  *out = negative ? -n : n;
  return true;
}

HX_NODISCARD bool ParseBool(std::string_view s, bool* out) {
  s = hx::TrimView(s);
  for (const char* t : {"true", "yes", "on", "1"})
    if (hx::EqualsNoCase(s, t)) return *out = true, true;
  for (const char* f : {"false", "no", "off", "0"})
    if (hx::EqualsNoCase(s, f)) return *out = false, true;
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = hx::AsciiLower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

HX_NODISCARD bool ParseHex(std::string_view s, std::vector<uint8_t>* out) {
  s = hx::TrimView(s);
  if (s.size() % 2 != 0) return false;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < s.size(); i += 2) {
    const int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  *out = std::move(bytes);
  return true;
}

StringC ToHex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  StringC out;
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

StringArrayC SplitItems(std::string_view s) {
  StringArrayC items;
  for (const StringC& piece : hx::Split(s, ConfVarStringArrayC::c_Separator)) {
    StringC item = hx::Trim(piece);
    if (!item.empty()) items.push_back(std::move(item));
  }
  return items;
}

template <typename T>
T Clamp(int64_t v, T lo, T hi) {
  return static_cast<T>(std::clamp<int64_t>(v, lo, hi));
}

}  // namespace

// --- String

ConfVarStringC::ConfVarStringC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName,
                               int flags, const char* defaultValue)
    : ConfVarC(parent, TypeString, cmdlineName, regName, envName, nullptr, flags),
      default_(defaultValue ? defaultValue : "") {}

StringC ConfVarStringC::get() {
  Lock g(cacheMutex());
  if (cacheFresh()) return value_;
  ReadT r = fetch("string", default_);
  value_ = r.source == SourceDefault ? default_ : r.text;
  return value_;
}

hx::ResultT ConfVarStringC::set(const StringC& value) {
  Lock g(cacheMutex());
  hx::ResultT rc = writeText(value);
  if (hx::Failed(rc)) return rc;
  value_ = value;
  markRead(SourceMachine);
  return rc;
}

hx::ResultT ConfVarStringC::resetToDefault() {
  Lock g(cacheMutex());
  value_ = default_;
  markRead(SourceDefault);
  return deleteValue();
}

// --- String array

ConfVarStringArrayC::ConfVarStringArrayC(ConfVarC* parent, const char* cmdlineName, const char* regName,
                                         const char* envName, int flags, StringArrayC defaultValue)
    : ConfVarC(parent, TypeStringArray, cmdlineName, regName, envName, nullptr, flags),
      default_(std::move(defaultValue)) {}

StringArrayC ConfVarStringArrayC::get() {
  Lock g(cacheMutex());
  if (cacheFresh()) return value_;
  ReadT r = fetch("string array", hx::Join(default_, StringC(1, c_Separator)));
  if (r.source == SourceCmdline && r.list) value_ = *r.list;
  else if (r.source == SourceDefault) value_ = default_;
  else value_ = SplitItems(r.text);
  return value_;
}

hx::ResultT ConfVarStringArrayC::set(const StringArrayC& value) {
  Lock g(cacheMutex());
  hx::ResultT rc = writeText(hx::Join(value, StringC(1, c_Separator)));
  if (hx::Failed(rc)) return rc;
  value_ = value;
  markRead(SourceMachine);
  return rc;
}

hx::ResultT ConfVarStringArrayC::resetToDefault() {
  Lock g(cacheMutex());
  value_ = default_;
  markRead(SourceDefault);
  return deleteValue();
}

// --- Int32

ConfVarInt32C::ConfVarInt32C(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName,
                             int flags, int32_t defaultValue, int32_t minimum, int32_t maximum)
    : ConfVarC(parent, TypeInt32, cmdlineName, regName, envName, nullptr, flags),
      default_(defaultValue),
      min_(minimum),
      max_(maximum) {}

int32_t ConfVarInt32C::get() {
  Lock g(cacheMutex());
  if (cacheFresh()) return value_;
  ReadT r = fetch("int32", hx::Format("%d", default_));
  int64_t n = 0;
  value_ = r.source != SourceDefault && LeadingNumber(r.text, true, &n) ? Clamp<int32_t>(n, min_, max_) : default_;
  return value_;
}

hx::ResultT ConfVarInt32C::set(int32_t value) {
  Lock g(cacheMutex());
  value = std::clamp(value, min_, max_);
  hx::ResultT rc = writeText(hx::Format("%d", value));
  if (hx::Failed(rc)) return rc;
  value_ = value;
  markRead(SourceMachine);
  return rc;
}

hx::ResultT ConfVarInt32C::resetToDefault() {
  Lock g(cacheMutex());
  value_ = default_;
  markRead(SourceDefault);
  return deleteValue();
}

// --- UInt32

ConfVarUInt32C::ConfVarUInt32C(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName,
                               int flags, uint32_t defaultValue, uint32_t minimum, uint32_t maximum)
    : ConfVarC(parent, TypeUInt32, cmdlineName, regName, envName, nullptr, flags),
      default_(defaultValue),
      min_(minimum),
      max_(maximum) {}

uint32_t ConfVarUInt32C::get() {
  Lock g(cacheMutex());
  if (cacheFresh()) return value_;
  ReadT r = fetch("uint32", hx::Format("%u", default_));
  int64_t n = 0;
  value_ = r.source != SourceDefault && LeadingNumber(r.text, false, &n) ? Clamp<uint32_t>(n, min_, max_) : default_;
  return value_;
}

hx::ResultT ConfVarUInt32C::set(uint32_t value) {
  Lock g(cacheMutex());
  value = std::clamp(value, min_, max_);
  hx::ResultT rc = writeText(hx::Format("%u", value));
  if (hx::Failed(rc)) return rc;
  value_ = value;
  markRead(SourceMachine);
  return rc;
}

hx::ResultT ConfVarUInt32C::resetToDefault() {
  Lock g(cacheMutex());
  value_ = default_;
  markRead(SourceDefault);
  return deleteValue();
}

// --- Boolean

ConfVarBooleanC::ConfVarBooleanC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName,
                                 int flags, bool defaultValue)
    : ConfVarC(parent, TypeBoolean, cmdlineName, regName, envName, nullptr, flags), default_(defaultValue) {}

StringC ConfVarBooleanC::toString(bool value) { return value ? "True" : "False"; }

bool ConfVarBooleanC::get() {
  Lock g(cacheMutex());
  if (cacheFresh()) return value_;
  ReadT r = fetch("boolean", toString(default_));
  bool b = default_;
  value_ = r.source != SourceDefault && ParseBool(r.text, &b) ? b : default_;
  return value_;
}

hx::ResultT ConfVarBooleanC::set(bool value) {
  Lock g(cacheMutex());
  hx::ResultT rc = writeText(toString(value));
  if (hx::Failed(rc)) return rc;
  value_ = value;
  markRead(SourceMachine);
  return rc;
}

hx::ResultT ConfVarBooleanC::resetToDefault() {
  Lock g(cacheMutex());
  value_ = default_;
  markRead(SourceDefault);
  return deleteValue();
}

// --- Binary

ConfVarBinaryC::ConfVarBinaryC(ConfVarC* parent, const char* cmdlineName, const char* regName, const char* envName,
                               int flags, const void* defaultBytes, size_t defaultSize)
    : ConfVarC(parent, TypeBinary, cmdlineName, regName, envName, nullptr, flags) {
  if (defaultBytes) {
    const uint8_t* b = static_cast<const uint8_t*>(defaultBytes);
    default_.assign(b, b + defaultSize);
  }
}

std::vector<uint8_t> ConfVarBinaryC::get() {
  Lock g(cacheMutex());
  if (cacheFresh()) return value_;
  ReadT r = fetch("binary", ToHex(default_));
  std::vector<uint8_t> bytes;
  value_ = r.source != SourceDefault && ParseHex(r.text, &bytes) ? bytes : default_;
  return value_;
}

hx::ResultT ConfVarBinaryC::set(const std::vector<uint8_t>& value) {
  Lock g(cacheMutex());
  hx::ResultT rc = writeText(ToHex(value));
  if (hx::Failed(rc)) return rc;
  value_ = value;
  markRead(SourceMachine);
  return rc;
}

hx::ResultT ConfVarBinaryC::resetToDefault() {
  Lock g(cacheMutex());
  value_ = default_;
  markRead(SourceDefault);
  return deleteValue();
}
