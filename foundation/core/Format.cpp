#include "foundation/core/Format.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "foundation/core/Nodiscard.h"

namespace hx {

int64_t ArgC::asSigned() const {
  switch (kind_) {
    case Signed: return i_;
    case Unsigned: return static_cast<int64_t>(u_);
    case Real: return static_cast<int64_t>(d_);
    case Pointer: return static_cast<int64_t>(reinterpret_cast<intptr_t>(p_));
    case Text: break;
  }
  return std::strtoll(text_.c_str(), nullptr, 0);
}

uint64_t ArgC::asUnsigned() const {
  switch (kind_) {
    case Signed: return static_cast<uint64_t>(i_);
    case Unsigned: return u_;
    case Real: return d_ < 0 ? static_cast<uint64_t>(static_cast<int64_t>(d_)) : static_cast<uint64_t>(d_);
    case Pointer: return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p_));
    case Text: break;
  }
  return std::strtoull(text_.c_str(), nullptr, 0);
}

double ArgC::asReal() const {
  switch (kind_) {
    case Signed: return static_cast<double>(i_);
    case Unsigned: return static_cast<double>(u_);
    case Real: return d_;
    case Pointer: return 0.0;
    case Text: break;
  }
  return std::strtod(text_.c_str(), nullptr);
}

std::string ArgC::asText() const {
  char buf[64];
  switch (kind_) {
    case Signed: std::snprintf(buf, sizeof buf, "%" PRId64, i_); return buf;
    case Unsigned: std::snprintf(buf, sizeof buf, "%" PRIu64, u_); return buf;
    case Real: std::snprintf(buf, sizeof buf, "%g", d_); return buf;
    case Pointer: std::snprintf(buf, sizeof buf, "%p", p_); return buf;
    case Text: break;
  }
  return text_;
}

namespace {

// One conversion as read from the format.
struct ConversionT {
  int position = 0;       // 1-based argument position from "n$", 0 for the next argument
  std::string flags;      // any of "-+ #0'"
  int width = -1;         // -1: none
  bool widthArg = false;  // "*"
  int widthPos = 0;       // "*m$"
  int precision = -1;     // -1: none
  bool precisionArg = false;
  int precisionPos = 0;
  char conversion = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number at s[i]; returns -1 when there is none. Large numbers are capped so
// that a hostile width cannot ask for gigabytes of padding.
int ReadNumber(std::string_view s, size_t& i) {
  if (i >= s.size() || !IsDigit(s[i])) return -1;
  long v = 0;
  while (i < s.size() && IsDigit(s[i])) {
    if (v < 100000) v = v * 10 + (s[i] - '0');
    ++i;
  }
  return static_cast<int>(v > 4096 ? 4096 : v);
}

// Parses the conversion after '%' at s[i]. Returns false when the text is not a complete
// conversion; i is left after the conversion character on success.
HX_NODISCARD bool ParseConversion(std::string_view s, size_t& i, ConversionT& conv) {
  size_t j = i;
  {
    size_t k = j;
    const int n = ReadNumber(s, k);
    if (n > 0 && k < s.size() && s[k] == '$') {
      conv.position = n;
      j = k + 1;
    }
  }
  while (j < s.size() && std::strchr("-+ #0'", s[j]) != nullptr) conv.flags.push_back(s[j++]);
  if (j < s.size() && s[j] == '*') {
    conv.widthArg = true;
    ++j;
    size_t k = j;
    const int n = ReadNumber(s, k);
    if (n > 0 && k < s.size() && s[k] == '$') { conv.widthPos = n; j = k + 1; }
  } else {
    conv.width = ReadNumber(s, j);
  }
  if (j < s.size() && s[j] == '.') {
    ++j;
    if (j < s.size() && s[j] == '*') {
      conv.precisionArg = true;
      ++j;
      size_t k = j;
      const int n = ReadNumber(s, k);
      if (n > 0 && k < s.size() && s[k] == '$') { conv.precisionPos = n; j = k + 1; }
    } else {
      conv.precision = ReadNumber(s, j);
      if (conv.precision < 0) conv.precision = 0;
    }
  }
  while (j < s.size() && std::strchr("hlLqjzt", s[j]) != nullptr) ++j;
  if (j >= s.size()) return false;
  conv.conversion = s[j];
  if (std::strchr("diouxXcsSfFeEgGaApn%", conv.conversion) == nullptr) return false;
  i = j + 1;
  return true;
}

// Formats one value through snprintf with a conversion rebuilt from its parts.
template <typename T>
void AppendPrintf(std::string& out, const ConversionT& conv, int width, int precision, const char* length, T value) {
  std::string f = "%" + conv.flags;
  if (width >= 0) f += std::to_string(width);
  if (precision >= 0) f += "." + std::to_string(precision);
  f += length;
  f.push_back(conv.conversion);
  char small[128];
  const int n = std::snprintf(small, sizeof small, f.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), f.c_str(), value);
  out.append(big.data(), static_cast<size_t>(n));
}

void AppendText(std::string& out, const ConversionT& conv, int width, int precision, const std::string& text) {
  std::string_view v(text);
  if (precision >= 0 && static_cast<size_t>(precision) < v.size()) v = v.substr(0, static_cast<size_t>(precision));
  const size_t pad = width > 0 && static_cast<size_t>(width) > v.size() ? static_cast<size_t>(width) - v.size() : 0;
  const bool left = conv.flags.find('-') != std::string::npos;
  if (!left) out.append(pad, ' ');
  out.append(v);
  if (left) out.append(pad, ' ');
}

void AppendValue(std::string& out, const ConversionT& conv, int width, int precision, const ArgC& arg) {
  switch (conv.conversion) {
    case 'd':
    case 'i':
      AppendPrintf(out, conv, width, precision, "ll", static_cast<long long>(arg.asSigned()));
      break;
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      AppendPrintf(out, conv, width, precision, "ll", static_cast<unsigned long long>(arg.asUnsigned()));
      break;
    case 'c': {
      const int c = arg.kind() == ArgC::Text ? (arg.asText().empty() ? 0 : arg.asText()[0]) : static_cast<int>(arg.asSigned());
      AppendPrintf(out, conv, width, -1, "", c);
      break;
    }
    case 'p':
      AppendPrintf(out, conv, width, -1, "", arg.asPointer());
      break;
    case 's':
    case 'S':
      AppendText(out, conv, width, precision, arg.asText());
      break;
    default:  // real conversions
      AppendPrintf(out, conv, width, precision, "", arg.asReal());
      break;
  }
}

}  // namespace

std::string FormatArgs(std::string_view format, const ArgListC& args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  size_t next = 0;  // index of the next argument for placeholders without a position
  size_t i = 0;
  while (i < format.size()) {
    const size_t pct = format.find('%', i);
    if (pct == std::string_view::npos) {
      out.append(format.substr(i));
      break;
    }
    out.append(format.substr(i, pct - i));
    size_t j = pct + 1;
    ConversionT conv;
    if (!ParseConversion(format, j, conv)) {
      // Not a conversion: keep the '%' and go on after it.
      out.push_back('%');
      i = pct + 1;
      continue;
    }
    const std::string_view original = format.substr(pct, j - pct);
    i = j;
    if (conv.conversion == '%') {
      out.push_back('%');
      continue;
    }
    auto take = [&](int position, const ArgC*& arg) {
      const size_t idx = position > 0 ? static_cast<size_t>(position - 1) : next++;
      arg = idx < args.size() ? &args[idx] : nullptr;
      return arg != nullptr;
    };
    int width = conv.width;
    int precision = conv.precision;
    const ArgC* a = nullptr;
    bool ok = true;
    if (conv.widthArg) {
      ok = take(conv.widthPos, a);
      if (ok) {
        const int64_t w = a->asSigned();
        if (w < 0) conv.flags += '-';
        width = static_cast<int>(w < -4096 || w > 4096 ? 4096 : (w < 0 ? -w : w));
      }
    }
    if (ok && conv.precisionArg) {
      ok = take(conv.precisionPos, a);
      if (ok) {
        const int64_t p = a->asSigned();
        precision = p < 0 ? -1 : static_cast<int>(p > 4096 ? 4096 : p);
      }
    }
    if (conv.conversion == 'n') continue;  // never write through a pointer
    if (ok) ok = take(conv.position, a);
    if (!ok) {
      out.append(original);
      continue;
    }
    AppendValue(out, conv, width, precision, *a);
  }
  return out;
}

}  // namespace hx
