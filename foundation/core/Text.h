#pragma once
// Text helpers. The program's text type is UTF-8 in std::string (StringC); these helpers give
// it the operations the rest of the system relies on: case-insensitive comparison and hashing
// (ASCII letters only, so results never depend on the process locale), splitting, trimming and
// conversions between UTF-8 and the system 8-bit encoding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"

using StringC = std::string;
using StringArrayC = std::vector<std::string>;

namespace hx {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string ToLower(std::string_view s);
std::string ToUpper(std::string_view s);

// Case-insensitive comparison: <0, 0 or >0 like strcmp, over the lower-cased bytes.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
size_t HashNoCase(std::string_view s);

struct NoCaseHash {
  size_t operator()(std::string_view s) const { return HashNoCase(s); }
};
struct NoCaseEqual {
  bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};
struct NoCaseLess {
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

inline bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}
inline bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// Splits at every occurrence of sep. Empty fields are kept unless skipEmpty is set.
std::vector<std::string> Split(std::string_view s, char sep, bool skipEmpty = false);
// Splits at any run of blanks (space, tab); never yields empty fields.
std::vector<std::string> SplitBlanks(std::string_view s);
// Splits text into lines without their line ends ("\n" or "\r\n"); a final line without a line
// end is kept, an empty text gives no lines.
std::vector<std::string> SplitLines(std::string_view s);
std::string Join(const std::vector<std::string>& parts, std::string_view sep);

bool IsBlank(char c);  // space, tab, CR, LF, VT, FF
std::string_view TrimView(std::string_view s);
std::string Trim(std::string_view s);

// Replaces every occurrence of `from` (not empty) by `to`.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// Number conversions that accept the whole text or nothing (surrounding blanks allowed).
HX_NODISCARD bool ParseInt64(std::string_view s, int64_t& out, int base = 10);
HX_NODISCARD bool ParseUInt64(std::string_view s, uint64_t& out, int base = 10);

// UTF-8 and the 8-bit encodings. Latin-1 maps bytes to the first 256 code points one to one.
// The system 8-bit encoding is the character set of the process locale: UTF-8 when the locale
// says so, otherwise bytes are taken as Latin-1, so that any byte string survives a round trip.
// The code point of the UTF-8 sequence at s[i] and its length, or 0 when the bytes there are
// not a valid sequence (overlong forms, surrogates and values past U+10FFFF included).
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

// The number of characters of a UTF-8 text, an invalid byte counting as one.
size_t CountCharacters(std::string_view s);
bool IsAscii(std::string_view s);

bool IsValidUtf8(std::string_view s);
std::string Latin1ToUtf8(std::string_view s);
// Code points above 0xFF become '?'; invalid UTF-8 bytes are taken as Latin-1.
std::string Utf8ToLatin1(std::string_view s);
// Turns bytes that are not valid UTF-8 into the code points of their Latin-1 reading, keeping
// valid sequences; used where text of unknown origin must become well-formed UTF-8.
std::string ToValidUtf8(std::string_view s);
bool SystemEncodingIsUtf8();
std::string Sys8ToUtf8(std::string_view s);
std::string Utf8ToSys8(std::string_view s);

}  // namespace hx
