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

#include "foundation/core/Text.h"

namespace trk {

// The characters of XML 1.0 without tab, line feed and carriage return.
constexpr bool IsXmlValueChar(uint32_t cp) {
  return (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// The character rule: the text with every character outside IsXmlValueChar replaced by one
// space, always valid UTF-8.
std::string SanitizeXmlValue(std::string_view s);
// Printable ASCII, which the rule leaves as it is (nearly every name and value the trackers set).
bool IsPrintableAscii(std::string_view s);

}  // namespace trk
