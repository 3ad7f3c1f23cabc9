#include "inventory/XmlCharRule.h"

namespace trk {

namespace {

}  // namespace

bool IsPrintableAscii(std::string_view s) {
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x80) return false;
  }
  return true;
}

std::string SanitizeXmlValue(std::string_view s) {
  if (IsPrintableAscii(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  hx::ForEachChar(s, [&out](uint32_t cp, std::string_view bytes) {
    if (!IsXmlValueChar(cp)) out.push_back(' ');
    else if (!bytes.empty()) out.append(bytes);
    else hx::AppendUtf8(out, cp);
  });
  return out;
}

}  // namespace trk
