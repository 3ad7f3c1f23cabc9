#include "hardware/unix/Db2Parsers.h"

#include <regex.h>

#include <string_view>

namespace hx {
namespace {

constexpr std::string_view c_EngineName = "db2sysc";
constexpr std::string_view c_ColumnBlanks = " \t";
constexpr char c_Colon = ':';
constexpr char c_HeaderMark = '#';
constexpr char c_ProtectedColon = ';';
// A time of day between blanks, as db2ls prints it inside its install date.
constexpr const char* c_TimePattern = " [0-9][0-9]:[0-9][0-9]:[0-9][0-9] ";
// What a licence line is trimmed of before it is read.
constexpr std::string_view c_LicenceTrim = " \t\r\n'\"";

struct ColumnPropertyT {
  const char* column;
  const char* property;
};

constexpr ColumnPropertyT c_InstallationColumns[] = {
    {c_Db2PathColumn, c_Db2InstallationPath}, {"VRMF", "Version"},       {"FIXPACK", "FixPack"},
    {"SPECIAL", "Special"},                   {"INSTALLTIME", "InstallationTime"},
    {"INSTALLERUID", c_Db2InstallationUserID}};
constexpr const char* c_InstallTimeColumn = "INSTALLTIME";

constexpr ColumnPropertyT c_ProductColumns[] = {
    {"PRODUCT", "Product"}, {"VRMF", "Version"}, {"FIXPACK", "FixPack"}, {"NAME", "Name"}};

std::string_view TrimSet(std::string_view s, std::string_view set) {
  const size_t first = s.find_first_not_of(set);
  if (first == std::string_view::npos) return std::string_view();
  return s.substr(first, s.find_last_not_of(set) - first + 1);
}

// Turns the ":" of every time of day in the line into ";". A later match may begin on the
// blank that ended the one before.
std::string ProtectTimes(const regex_t& pattern, std::string line) {
  size_t from = 0;
  regmatch_t match;
  while (from < line.size() && ::regexec(&pattern, line.c_str() + from, 1, &match, 0) == 0) {
    const size_t begin = from + static_cast<size_t>(match.rm_so);
    const size_t end = from + static_cast<size_t>(match.rm_eo);
    for (size_t i = begin; i < end; ++i) {
      if (line[i] == c_Colon) line[i] = c_ProtectedColon;
    }
    from = end - 1;
  }
  return line;
}

template <size_t N>
Db2PropertiesT MapColumns(const ColumnPropertyT (&known)[N], const StringArrayC& columns, const StringArrayC& row) {
  Db2PropertiesT properties;
  for (size_t i = 0; i < columns.size() && i < row.size(); ++i) {
    if (row[i].empty()) continue;
    for (const ColumnPropertyT& k : known) {
      if (!EqualsNoCase(columns[i], k.column)) continue;
      const bool time = EqualsNoCase(columns[i], c_InstallTimeColumn);
      properties.emplace_back(k.property, time ? ReplaceAll(row[i], ";", ":") : row[i]);
      break;
    }
  }
  return properties;
}

}  // namespace

const char* const c_Db2LicenceProperties[c_Db2LicenceFields] = {
    "Product name",       "License type",          "Expiry date",
    "Product identifier", "Version information",   "Max amount of memory (GB)",
    "Max number of cores", "Max amount of table space (GB)"};

bool ReadDb2Owners(const StringArrayC& lines, Db2PsFormatE format, StringArrayC& owners, StringC& badRow) {
  for (const StringC& line : lines) {
    if (line.find(c_EngineName) == StringC::npos) continue;
    // The line is split as ps printed it: a user column that ps pads on the left gives an empty
    // owner, which is listed like any other; only a line with no separator at all is refused.
    const std::string_view row(line);
    const size_t split = format == Db2PsFormatE::Colon ? row.find(c_Colon) : row.find_first_of(c_ColumnBlanks);
    if (split == std::string_view::npos) {
      badRow = line;
      return false;
    }
    owners.emplace_back(TrimView(row.substr(0, split)));
  }
  return true;
}

Db2lsReadE ReadDb2lsTable(const StringArrayC& lines, Db2lsTableC& table) {
  regex_t pattern;
  const int compiled = ::regcomp(&pattern, c_TimePattern, 0);
  if (compiled != 0) {
    table.patternError = compiled;
    return Db2lsReadE::BadPattern;
  }
  Db2lsReadE result = Db2lsReadE::Ok;
  bool header = true;
  for (const StringC& raw : lines) {
    if (raw.empty()) continue;
    const std::string line = ProtectTimes(pattern, raw);
    if (!header) {
      table.rows.push_back(Split(line, c_Colon));
      continue;
    }
    if (line[0] != c_HeaderMark) {
      result = Db2lsReadE::NoHeader;
      break;
    }
    table.columns = Split(std::string_view(line).substr(1), c_Colon);
    header = false;
  }
  ::regfree(&pattern);
  return result;
}

Db2PropertiesT Db2InstallationProperties(const StringArrayC& columns, const StringArrayC& row) {
  return MapColumns(c_InstallationColumns, columns, row);
}

Db2PropertiesT Db2ProductProperties(const StringArrayC& columns, const StringArrayC& row) {
  return MapColumns(c_ProductColumns, columns, row);
}

std::vector<StringArrayC> ReadDb2Licences(const StringArrayC& lines) {
  std::vector<StringArrayC> records(1);
  bool afterEmpty = false;
  for (const StringC& raw : lines) {
    const std::string_view line = TrimSet(raw, c_LicenceTrim);
    if (line.empty()) {
      afterEmpty = true;
      continue;
    }
    if (afterEmpty) records.emplace_back();
    afterEmpty = false;
    const size_t colon = line.find(c_Colon);
    if (colon == std::string_view::npos || colon == 0 || records.back().size() >= c_Db2LicenceFields) continue;
    records.back().emplace_back(TrimSet(line.substr(colon + 1), c_LicenceTrim));
  }
  return records;
}

bool FindDb2Password(const StringArrayC& entries, const StringC& owner, StringC& password, bool* isShared) {
  if (isShared != nullptr) *isShared = false;
  const StringC* shared = nullptr;
  for (const StringC& entry : entries) {
    const size_t colon = entry.find(c_Colon);
    if (colon == StringC::npos) {
      if (shared == nullptr) shared = &entry;
    } else if (EqualsNoCase(std::string_view(entry).substr(0, colon), owner)) {
      password.assign(entry, colon + 1, StringC::npos);
      return true;
    }
  }
  if (shared == nullptr) return false;
  password = *shared;
  if (isShared != nullptr) *isShared = true;
  return true;
}

}  // namespace hx
