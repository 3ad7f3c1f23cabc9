#include "packages/listers/svr4/Svr4Readers.h"

#include <locale.h>
#include <algorithm>
#include <time.h>

namespace trk::svr4 {

namespace {

constexpr std::string_view c_TrimBlanks = " \t\n\r";
constexpr size_t c_FileOwnersField = 9;
constexpr size_t c_LinkOwnersField = 3;
constexpr const char* c_InstallDateFormat = "%b %d %Y %R";

std::string_view Trimmed(std::string_view s) {
  const size_t start = s.find_first_not_of(c_TrimBlanks);
  if (start == std::string_view::npos) return std::string_view();
  return s.substr(start, s.find_last_not_of(c_TrimBlanks) - start + 1);
}

// The text before the first `c` when that stands after the first character.
std::string_view CutAfterFirst(std::string_view s, char c) {
  const size_t at = s.find(c);
  return at != std::string_view::npos && at > 0 ? s.substr(0, at) : s;
}

inline bool IsFieldBlank(char c) { return c == ' ' || c == '\t'; }

// The next blank-separated field of s (s keeps the rest); empty at the end. A plain loop: the
// contents file runs to hundreds of thousands of lines, and a search for one of a set of
// characters costs a call per character.
std::string_view NextField(std::string_view& s) {
  size_t start = 0;
  while (start < s.size() && IsFieldBlank(s[start])) ++start;
  size_t end = start;
  while (end < s.size() && !IsFieldBlank(s[end])) ++end;
  const std::string_view field = s.substr(start, end - start);
  s.remove_prefix(end);
  return field;
}

size_t OwnersField(char type) {
  switch (type) {
    case 'f': case 'e': case 'v': return c_FileOwnersField;
    case 's': case 'l': return c_LinkOwnersField;
    default: return 0;
  }
}

// The C locale for reading month names, made once.
locale_t CLocale() {
  static const locale_t s_locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return s_locale;
}

}  // namespace

void AddContentsLine(std::string_view line, FileMapT* files) {
  std::string_view rest = line;
  const std::string_view path = CutAfterFirst(NextField(rest), '=');
  const std::string_view typeField = NextField(rest);
  if (typeField.empty()) return;
  const size_t first = OwnersField(typeField[0]);
  if (first == 0) return;
  for (size_t field = 2; field < first; ++field) {
    if (NextField(rest).empty()) return;
  }
  for (std::string_view owner = NextField(rest); !owner.empty(); owner = NextField(rest))
    (*files)[std::string(CutAfterFirst(owner, ':'))].emplace_back(path);
}

void PkgchkListReaderC::Line(std::string_view line) {
  static constexpr std::string_view c_Pathname = "Pathname:";
  static constexpr std::string_view c_Type = "Type:";
  static constexpr std::string_view c_Referenced = "Referenced by the following packages:";
  if (hx::StartsWith(line, c_Pathname)) {
    path_ = std::string(line.substr(c_Pathname.size()));
    names_ = false;
  } else if (hx::StartsWith(line, c_Type)) {
    if (line.find("character special device") != std::string_view::npos ||
        line.find("directory") != std::string_view::npos)
      path_.clear();
    else
      path_ = std::string(Trimmed(path_));
    names_ = false;
  } else if (!path_.empty() && hx::StartsWith(line, c_Referenced)) {
    names_ = true;
  } else if (names_ && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
    std::string_view rest = line;
    for (std::string_view name = NextField(rest); !name.empty(); name = NextField(rest))
      (*files_)[std::string(name)].push_back(path_);
  } else {
    names_ = false;
  }
}

bool SplitPkginfoLine(std::string_view line, std::string_view* key, std::string_view* value) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  *key = Trimmed(line.substr(0, colon));
  *value = Trimmed(line.substr(colon + 1));
  return true;
}

bool IsPkginfoLine(std::string_view line) {
  std::string_view key, value;
  return Trimmed(line).empty() || line[0] == ' ' || line[0] == '\t' || SplitPkginfoLine(line, &key, &value);
}

std::string ConvertVersion(std::string_view text) {
  static constexpr std::string_view c_Revision = ",rev=";
  const std::string_view trimmed = Trimmed(text);
  const size_t at = hx::ToLower(trimmed).find(c_Revision);
  return std::string(at != std::string::npos && at > 0 ? trimmed.substr(0, at) : trimmed);
}

bool ParseInstallDate(std::string_view text, int64_t* seconds) {
  const locale_t c = CLocale();
  if (c == static_cast<locale_t>(0)) return false;
  const std::string value(Trimmed(text));
  struct tm tm = {};
  const locale_t previous = ::uselocale(c);
  const char* end = ::strptime(value.c_str(), c_InstallDateFormat, &tm);
  ::uselocale(previous);
  if (end == nullptr) return false;
  tm.tm_isdst = -1;
  const time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return false;
  *seconds = static_cast<int64_t>(t);
  return true;
}

}  // namespace trk::svr4
