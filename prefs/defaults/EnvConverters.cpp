#include "prefs/defaults/EnvConverters.h"

#include <climits>

#include "foundation/core/Format.h"

namespace {
constexpr const char* c_True = "True";
constexpr const char* c_False = "False";
constexpr const char* c_Yes = "Yes";
constexpr const char* c_No = "No";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool env_FunStrToBoolC::operator()(const StringC& text, bool dflt) const {
  if (hx::EqualsNoCase(text, c_True) || hx::EqualsNoCase(text, c_Yes)) return true;
  if (hx::EqualsNoCase(text, c_False) || hx::EqualsNoCase(text, c_No)) return false;
  return dflt;
}

StringC env_FunBoolToStrC::operator()(bool value) const { return value ? c_True : c_False; }

bool env_FunIsIntegerC::operator()(const StringC& text) const {
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

long env_FunStrToIntC::operator()(const StringC& text, long dflt) const {
  if (text.empty() || !env_FunIsIntegerC()(text)) return dflt;
  long value = 0;
  for (char c : text) {
    const int digit = c - '0';
    if (value > (LONG_MAX - digit) / 10) return dflt;
    value = value * 10 + digit;
  }
  return value;
}

StringC env_IntToStrC::operator()(long value) const { return hx::Format("%ld", value); }

StringC env_FunEscapeC::operator()(const StringC& text, const StringC& set, char escape) const {
  StringC out;
  out.reserve(text.size());
  for (char c : text) {
    if (set.find(c) != StringC::npos) out.push_back(escape);
    out.push_back(c);
  }
  return out;
}

StringC env_FunAsciiEscapeC::operator()(const StringC& text, const StringC& set, char escape) const {
  static constexpr char c_Hex[] = "0123456789abcdef";
  StringC out;
  out.reserve(text.size());
  for (char c : text) {
    if (set.find(c) == StringC::npos) {
      out.push_back(c);
      continue;
    }
    const auto code = static_cast<unsigned char>(c);
    out.push_back(escape);
    out.push_back(c_Hex[code >> 4]);
    out.push_back(c_Hex[code & 0xF]);
  }
  return out;
}

StringC env_FunToLower::operator()(const StringC& text) const { return hx::ToLower(text); }

bool env_FunStrInStr::operator()(const StringC& text, const StringC& part) const {
  return text.find(part) != StringC::npos;
}

StringC env_FunReplaceInStr::operator()(const StringC& text, const StringC& from, const StringC& to) const {
  if (from.empty()) return text;
  return hx::ReplaceAll(text, from, to);
}
