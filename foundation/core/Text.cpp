#include "foundation/core/Text.h"

#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hx {

std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

size_t HashNoCase(std::string_view s) {
  // FNV-1a over the lower-cased bytes.
  uint64_t h = 1469598103934665603ull;
  for (char c : s) {
    h ^= static_cast<unsigned char>(AsciiLower(c));
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

std::vector<std::string> Split(std::string_view s, char sep, bool skipEmpty) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    const size_t pos = s.find(sep, start);
    const std::string_view field = s.substr(start, pos == std::string_view::npos ? s.npos : pos - start);
    if (!(skipEmpty && field.empty())) out.emplace_back(field);
    if (pos == std::string_view::npos) break;
    start = pos + 1;
  }
  return out;
}

std::vector<std::string> SplitBlanks(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const size_t start = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > start) out.emplace_back(s.substr(start, i - start));
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view s) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = s.find('\n', start);
    const size_t next = end == std::string_view::npos ? s.size() : end + 1;
    if (end == std::string_view::npos) end = s.size();
    size_t len = end - start;
    if (len > 0 && s[start + len - 1] == '\r' && end < s.size()) --len;
    out.emplace_back(s.substr(start, len));
    start = next;
  }
  return out;
}

std::string Join(const std::vector<std::string>& parts, std::string_view sep) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.append(sep);
    out.append(parts[i]);
  }
  return out;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimView(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  size_t start = 0;
  while (true) {
    const size_t pos = s.find(from, start);
    if (pos == std::string_view::npos) break;
    out.append(s.substr(start, pos - start)).append(to);
    start = pos + from.size();
  }
  out.append(s.substr(start));
  return out;
}

bool ParseInt64(std::string_view s, int64_t& out, int base) {
  const std::string text(TrimView(s));
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, base);
  if (errno != 0 || end != text.c_str() + text.size()) return false;
  out = v;
  return true;
}

bool ParseUInt64(std::string_view s, uint64_t& out, int base) {
  const std::string text(TrimView(s));
  if (text.empty() || text[0] == '-') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, base);
  if (errno != 0 || end != text.c_str() + text.size()) return false;
  out = v;
  return true;
}

namespace {

size_t Utf8Length(std::string_view s, size_t i) {
  uint32_t cp;
  return DecodeUtf8(s, i, cp);
}

void AppendLatin1AsUtf8(std::string& out, unsigned char c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

size_t DecodeUtf8(std::string_view s, size_t i, uint32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  size_t len;
  uint32_t v;
  if ((b0 & 0xE0) == 0xC0) { len = 2; v = b0 & 0x1F; }
  else if ((b0 & 0xF0) == 0xE0) { len = 3; v = b0 & 0x0F; }
  else if ((b0 & 0xF8) == 0xF0) { len = 4; v = b0 & 0x07; }
  else return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b & 0x3F);
  }
  static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  cp = v;
  return len;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

size_t CountCharacters(std::string_view s) {
  if (IsAscii(s)) return s.size();
  size_t n = 0;
  ForEachChar(s, [&n](uint32_t, std::string_view) { ++n; });
  return n;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t len = Utf8Length(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) AppendLatin1AsUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string Utf8ToLatin1(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t len = Utf8Length(s, i);
    if (len == 0 || len == 1) {
      out.push_back(s[i]);
      ++i;
      continue;
    }
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (len == 2 && b0 <= 0xC3) {
      out.push_back(static_cast<char>(((b0 & 0x03) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F)));
    } else {
      out.push_back('?');
    }
    i += len;
  }
  return out;
}

std::string ToValidUtf8(std::string_view s) {
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  for (size_t i = 0; i < s.size();) {
    const size_t len = Utf8Length(s, i);
    if (len == 0) {
      AppendLatin1AsUtf8(out, static_cast<unsigned char>(s[i]));
      ++i;
    } else {
      out.append(s.substr(i, len));
      i += len;
    }
  }
  return out;
}

bool SystemEncodingIsUtf8() {
  const char* cs = nl_langinfo(CODESET);
  return cs != nullptr && (EqualsNoCase(cs, "UTF-8") || EqualsNoCase(cs, "utf8"));
}

std::string Sys8ToUtf8(std::string_view s) {
  return SystemEncodingIsUtf8() ? ToValidUtf8(s) : Latin1ToUtf8(s);
}

std::string Utf8ToSys8(std::string_view s) {
  return SystemEncodingIsUtf8() ? std::string(s) : Utf8ToLatin1(s);
}

}  // namespace hx
