#include "foundation/messages/CatalogCompiler.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <utility>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/messages/CatalogFormat.h"
#include "foundation/messages/MessageId.h"

namespace hx {
namespace {

constexpr uint64_t kMaxImageSize = 0xFFFFFFFFu;  // text offsets are 32 bits

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A set or message number: decimal digits, or 0x and hexadecimal digits; nothing else.
HX_NODISCARD bool ParseNumber(std::string_view token, uint64_t limit, uint32_t& out) {
  int base = 10;
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    base = 16;
    token.remove_prefix(2);
  }
  if (token.empty()) return false;
  uint64_t value = 0;
  for (char c : token) {
    const int digit = HexValue(c);
    if (digit < 0 || digit >= base) return false;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > limit) return false;
  }
  out = static_cast<uint32_t>(value);
  return true;
}

// Takes the next blank-separated token from line at pos.
std::string_view NextToken(std::string_view line, size_t& pos) {
  while (pos < line.size() && IsBlankChar(line[pos])) ++pos;
  const size_t start = pos;
  while (pos < line.size() && !IsBlankChar(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

// Replaces the escapes of a source text; false with `error` for an unknown or cut-off escape.
HX_NODISCARD bool Unescape(std::string_view in, std::string& out, std::string& error) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out.push_back(in[i]);
      continue;
    }
    if (++i == in.size()) {
      error = "text ends with a lone backslash";
      return false;
    }
    const char c = in[i];
    switch (c) {
      case 'n': out.push_back('\n'); continue;
      case 't': out.push_back('\t'); continue;
      case 'r': out.push_back('\r'); continue;
      case '\\': out.push_back('\\'); continue;
      default: break;
    }
    // \xHH takes up to two hex digits after the x, \ooo up to three octal digits.
    const bool hex = c == 'x';
    if (!hex && !(c >= '0' && c <= '7')) {
      error = Format("unknown escape '\\%c'", c);
      return false;
    }
    const unsigned base = hex ? 16 : 8;
    const size_t maxDigits = hex ? 2 : 3;
    size_t pos = hex ? i + 1 : i;
    unsigned value = 0;
    size_t digits = 0;
    for (; digits < maxDigits && pos < in.size(); ++digits, ++pos) {
      const int d = HexValue(in[pos]);
      if (d < 0 || static_cast<unsigned>(d) >= base) break;
      value = value * base + static_cast<unsigned>(d);
    }
    i = pos - 1;
    if (digits == 0) {
      error = "escape '\\x' without hexadecimal digits";
      return false;
    }
    if (value > 0xFF) {
      error = Format("escape value %u does not fit in a byte", value);
      return false;
    }
    out.push_back(static_cast<char>(value));
  }
  return true;
}

// Reads one message line; false with `error` (without the line number).
HX_NODISCARD bool ParseLine(std::string_view line, CatalogEntryT& entry, std::string& error) {
  size_t pos = 0;
  const std::string_view set = NextToken(line, pos);
  const std::string_view number = NextToken(line, pos);
  if (number.empty()) {
    error = "expected 'set number text'";
    return false;
  }
  if (!ParseNumber(set, MSGID_SET_MASK, entry.set)) {
    error = Format("bad set number '%s' (0 to %u)", std::string(set), MSGID_SET_MASK);
    return false;
  }
  if (!ParseNumber(number, MSGID_NUMBER_MASK, entry.number)) {
    error = Format("bad message number '%s' (0 to %u)", std::string(number), MSGID_NUMBER_MASK);
    return false;
  }
  while (pos < line.size() && IsBlankChar(line[pos])) ++pos;
  if (!Unescape(line.substr(pos), entry.text, error)) return false;
  if (entry.text.size() > CATALOG_MAX_TEXT) {
    error = Format("text of %zu bytes is longer than %u", entry.text.size(), CATALOG_MAX_TEXT);
    return false;
  }
  return true;
}

bool KeyLess(const CatalogEntryT& a, const CatalogEntryT& b) {
  return std::tie(a.set, a.number) < std::tie(b.set, b.number);
}

void PutBigEndian(std::string& out, uint32_t value, size_t size) {
  for (size_t i = size; i-- > 0;) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string EscapeText(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // A leading blank would be taken as separator, a trailing one is lost to editors.
    const bool edgeBlank = c == ' ' && (i == 0 || i + 1 == text.size());
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\r') out += "\\r";
    else if (c < 0x20 || c == 0x7F || edgeBlank) out += Format("\\x%02X", c);
    else out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace

bool ParseCatalogSource(std::string_view source, std::vector<CatalogEntryT>& entries, std::string& error) {
  entries.clear();
  std::map<std::pair<uint32_t, uint32_t>, size_t> firstLine;
  uint64_t imageSize = CATALOG_HEADER_SIZE;
  const std::vector<std::string> lines = SplitLines(source);
  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = lines[n];
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    CatalogEntryT entry;
    if (!ParseLine(line, entry, error)) {
      error = Format("line %zu: %s", n + 1, error);
      return false;
    }
    const auto inserted = firstLine.emplace(std::make_pair(entry.set, entry.number), n + 1);
    if (!inserted.second) {
      error = Format("line %zu: duplicate message %u %u (first on line %zu)", n + 1, entry.set, entry.number,
                     inserted.first->second);
      return false;
    }
    imageSize += CATALOG_ENTRY_SIZE + entry.text.size();
    if (imageSize > kMaxImageSize) {
      error = Format("line %zu: the catalog grows past 4 GiB", n + 1);
      return false;
    }
    entries.push_back(std::move(entry));
  }
  return true;
}

std::string BuildCatalogImage(std::vector<CatalogEntryT> entries) {
  std::stable_sort(entries.begin(), entries.end(), KeyLess);
  std::string image(CATALOG_MAGIC, CATALOG_MAGIC_SIZE);
  PutBigEndian(image, static_cast<uint32_t>(entries.size()), 4);
  uint64_t offset = CATALOG_HEADER_SIZE + CATALOG_ENTRY_SIZE * entries.size();
  for (const CatalogEntryT& e : entries) {
    PutBigEndian(image, e.set, 2);
    PutBigEndian(image, static_cast<uint32_t>(e.text.size()), 2);
    PutBigEndian(image, e.number, 4);
    PutBigEndian(image, static_cast<uint32_t>(offset), 4);
    offset += e.text.size();
  }
  for (const CatalogEntryT& e : entries) image += e.text;
  return image;
}

bool CompileCatalog(std::string_view source, std::string& image, std::string& error) {
  std::vector<CatalogEntryT> entries;
  if (!ParseCatalogSource(source, entries, error)) return false;
  image = BuildCatalogImage(std::move(entries));
  return true;
}

bool ReadCatalogImage(std::string_view image, std::vector<CatalogEntryT>& entries, std::string& error) {
  entries.clear();
  if (image.size() < CATALOG_HEADER_SIZE) {
    error = Format("too short for a catalog header (%zu bytes)", image.size());
    return false;
  }
  if (std::memcmp(image.data(), CATALOG_MAGIC, CATALOG_MAGIC_SIZE) != 0) {
    error = "not a message catalog (no 'kwixcatf' at the start)";
    return false;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
  const uint32_t count = ReadBigEndian(bytes + CATALOG_MAGIC_SIZE, 4);
  const uint64_t indexEnd = CATALOG_HEADER_SIZE + uint64_t{CATALOG_ENTRY_SIZE} * count;
  if (indexEnd > image.size()) {
    error = Format("index of %u entries needs %llu bytes, the file has %zu", count,
                   static_cast<unsigned long long>(indexEnd), image.size());
    return false;
  }
  entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const CatalogIndexEntryT e = DecodeIndexEntry(bytes + CATALOG_HEADER_SIZE + CATALOG_ENTRY_SIZE * i);
    if (uint64_t{e.offset} + e.length > image.size()) {
      error = Format("entry %u (message %u %u): text at offset %u, length %u, lies outside the file (%zu bytes)", i,
                     e.set, e.number, e.offset, e.length, image.size());
      return false;
    }
    entries.push_back(CatalogEntryT{e.set, e.number, std::string(image.substr(e.offset, e.length))});
  }
  return true;
}

std::string CheckCatalogOrder(const std::vector<CatalogEntryT>& entries) {
  for (size_t i = 1; i < entries.size(); ++i) {
    const CatalogEntryT& a = entries[i - 1];
    const CatalogEntryT& b = entries[i];
    if (a.set == b.set && a.number == b.number) {
      return Format("entries %zu and %zu are both message %u %u", i - 1, i, b.set, b.number);
    }
    if (KeyLess(b, a)) {
      return Format("entry %zu (message %u %u) comes after message %u %u: the index is not sorted", i, b.set,
                    b.number, a.set, a.number);
    }
  }
  return std::string();
}

std::string FormatCatalogSource(const std::vector<CatalogEntryT>& entries) {
  std::string out;
  for (const CatalogEntryT& e : entries) {
    out += Format("%u %u", e.set, e.number);
    if (!e.text.empty()) out += " " + EscapeText(e.text);
    out += "\n";
  }
  return out;
}

bool DumpCatalog(std::string_view image, std::string& source, std::string& error) {
  source.clear();
  std::vector<CatalogEntryT> entries;
  if (!ReadCatalogImage(image, entries, error)) return false;
  source = FormatCatalogSource(entries);
  error = CheckCatalogOrder(entries);
  return error.empty();
}

}  // namespace hx
