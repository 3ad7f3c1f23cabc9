#include "prefs/tracker/TrkSecretValues.h"

#include <algorithm>

namespace trk {
namespace {

constexpr std::string_view c_ListSeparators = ",;";
constexpr std::string_view c_Assignment = "db2users=";
constexpr const char* c_Mask = "***";
constexpr char c_UserSeparator = ':';

}  // namespace

StringC MaskDB2UsersValue(std::string_view value) {
  StringC masked;
  size_t begin = 0;
  while (begin <= value.size()) {
    const size_t end = std::min(value.find_first_of(c_ListSeparators, begin), value.size());
    const std::string_view entry = value.substr(begin, end - begin);
    const size_t colon = entry.find(c_UserSeparator);
    if (hx::TrimView(entry).empty()) {
      masked.append(entry);  // no entry at all, and nothing to hide
    } else {
      if (colon != std::string_view::npos) masked.append(entry.substr(0, colon + 1));
      masked.append(c_Mask);
    }
    if (end < value.size()) masked.push_back(value[end]);
    begin = end + 1;
  }
  return masked;
}

StringC MaskSecretArgument(std::string_view argument) {
  const std::string lower = hx::ToLower(argument);
  const size_t at = lower.find(c_Assignment);
  if (at == std::string::npos) return StringC(argument);
  const size_t valueAt = at + c_Assignment.size();
  return StringC(argument.substr(0, valueAt)) + MaskDB2UsersValue(argument.substr(valueAt));
}

}  // namespace trk
