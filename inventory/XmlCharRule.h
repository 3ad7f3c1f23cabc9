#pragma once
// The character rule of the inventory. Tags, attribute names and attribute values may only hold
// characters that XML 1.0 allows, and none of tab, line feed or carriage return (a parser would
// turn those into spaces in an attribute anyway, and the digest of an entity must survive a
// round trip through its file). Every other character becomes one space.
//
// Text arrives as UTF-8 but may come from anywhere (file names, tool output). A byte that does
// not start a valid UTF-8 sequence is read as the Latin-1 character of that value, as the rest of
// the system does with text of unknown origin (hx::ToValidUtf8): a Latin-1 name stays legible
// and the result is always well-formed.

#include <cstdint>
#include <string>
#include <string_view>

namespace trk {

// The characters of XML 1.0 without tab, line feed and carriage return.
constexpr bool IsXmlValueChar(uint32_t cp) {
  return (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// The code point of the UTF-8 sequence at s[i] and its length, or 0 when the bytes there are
// not a valid sequence (overlong forms and surrogates included).
size_t DecodeUtf8(std::string_view s, size_t i, uint32_t& cp);
void AppendUtf8(std::string& out, uint32_t cp);

// Reads s as UTF-8 with invalid bytes taken as Latin-1 and calls f(codePoint, bytes) for every
// character, where bytes is the character's valid UTF-8 form in s (empty for a Latin-1 byte).
template <typename F>
void ForEachChar(std::string_view s, F&& f) {
  for (size_t i = 0; i < s.size();) {
    uint32_t cp = 0;
    const size_t len = DecodeUtf8(s, i, cp);
    if (len == 0) {
      f(static_cast<uint32_t>(static_cast<unsigned char>(s[i])), std::string_view());
      ++i;
    } else {
      f(cp, s.substr(i, len));
      i += len;
    }
  }
}

// The character rule: the text with every character outside IsXmlValueChar replaced by one
// space, always valid UTF-8.
std::string SanitizeXmlValue(std::string_view s);

// The number of characters of a UTF-8 text, an invalid byte counting as one.
size_t CountCharacters(std::string_view s);

inline bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace trk
