#include "inventory/XmlCharRule.h"

namespace trk {

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

namespace {

// Plain printable ASCII needs no work, and nearly every value the trackers set is just that.
bool IsPrintableAscii(std::string_view s) {
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string SanitizeXmlValue(std::string_view s) {
  if (IsPrintableAscii(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  ForEachChar(s, [&out](uint32_t cp, std::string_view bytes) {
    if (!IsXmlValueChar(cp)) out.push_back(' ');
    else if (!bytes.empty()) out.append(bytes);
    else AppendUtf8(out, cp);
  });
  return out;
}

size_t CountCharacters(std::string_view s) {
  if (IsAscii(s)) return s.size();
  size_t n = 0;
  ForEachChar(s, [&n](uint32_t, std::string_view) { ++n; });
  return n;
}

}  // namespace trk
