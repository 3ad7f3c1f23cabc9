#pragma once
// printf-style formatting over a typed argument list, with positional placeholders ("%2$s")
// and "%S" for a text argument. Message texts come from catalogs written by translators, so
// the formatter never trusts the format: a placeholder without a matching argument is copied
// as it stands, and an argument of another kind than the conversion asks for is converted.

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace hx {

class ArgC {
 public:
  enum KindE { Signed, Unsigned, Real, Text, Pointer };

  ArgC(const std::string& s) : kind_(Text), text_(s) {}
  ArgC(std::string&& s) : kind_(Text), text_(std::move(s)) {}
  ArgC(std::string_view s) : kind_(Text), text_(s) {}
  ArgC(const char* s) : kind_(Text), text_(s ? s : "(null)") {}
  ArgC(char* s) : ArgC(static_cast<const char*>(s)) {}
  ArgC(bool b) : kind_(Signed), i_(b ? 1 : 0) {}
  ArgC(char c) : kind_(Signed), i_(c) {}
  ArgC(double d) : kind_(Real), d_(d) {}
  ArgC(float d) : kind_(Real), d_(d) {}
  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
  ArgC(T v) : kind_(Signed), i_(static_cast<int64_t>(v)) {}
  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T>, int> = 0>
  ArgC(T v) : kind_(Unsigned), u_(static_cast<uint64_t>(v)) {}
  template <typename T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
  ArgC(T v) : kind_(Signed), i_(static_cast<int64_t>(v)) {}
  ArgC(const void* p) : kind_(Pointer), p_(p) {}

  KindE kind() const { return kind_; }
  int64_t asSigned() const;
  uint64_t asUnsigned() const;
  double asReal() const;
  std::string asText() const;
  const void* asPointer() const { return kind_ == Pointer ? p_ : nullptr; }

 private:
  KindE kind_;
  union {
    int64_t i_ = 0;
    uint64_t u_;
    double d_;
    const void* p_;
  };
  std::string text_;
};

using ArgListC = std::vector<ArgC>;

// Formats `format` with `args`. Conversions: d i u o x X c s S f F e E g G a A p n(skipped) %%,
// with flags, width, precision ("*" takes an argument) and length modifiers (ignored: the
// argument's own kind decides its size).
std::string FormatArgs(std::string_view format, const ArgListC& args);

template <typename... Args>
std::string Format(std::string_view format, Args&&... args) {
  return FormatArgs(format, ArgListC{ArgC(std::forward<Args>(args))...});
}

}  // namespace hx
