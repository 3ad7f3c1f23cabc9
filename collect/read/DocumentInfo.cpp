#include "collect/read/DocumentInfo.h"

#include <cstring>

#include "foundation/core/Text.h"

namespace hxc {

bool ParseLocalTime(const std::string& text, const std::string& format, time_t* out) {
  struct tm tm;
  std::memset(&tm, 0, sizeof tm);
  const char* end = ::strptime(text.c_str(), format.c_str(), &tm);
  if (end == nullptr || *end != '\0') return false;
  tm.tm_isdst = -1;
  const time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return false;
  *out = t;
  return true;
}

bool JudgeRoot(const RootT& root, const std::string& dateFormat, DocumentInfoT* info, std::string* why) {
  const std::string& type = root.Get("Type");
  if (type != "Full" && type != "Difference") {
    *why = "not an inventory or a delta (Type \"" + type + "\")";
    return false;
  }
  info->delta = type == "Difference";
  // A job's delta cannot be told apart (its root carries no JobTag); it ends as a delta that
  // does not fit.
  if (!info->delta && !root.Get("JobTag").empty()) {
    *why = "a job's inventory (JobTag \"" + root.Get("JobTag") + "\"), which this collector does not take";
    return false;
  }
  ChainKeyT& key = info->chain;
  key.machine = root.Get("MachineName");
  // The agent writes its InventoryType preference as it was given, which it reads in any case.
  const std::string& audience = root.Get("Audience");
  key.audience = hx::EqualsNoCase(audience, "User") ? "User" : hx::EqualsNoCase(audience, "Machine") ? "Machine" : audience;
  key.configuration = root.Get("Configuration");
  if (key.machine.empty()) {
    *why = "no MachineName";
    return false;
  }
  if (key.audience == "User") {
    key.userName = root.Get("UserName");
    key.userDomain = root.Get("UserDomain");
  } else if (key.audience != "Machine") {
    *why = "unknown Audience \"" + key.audience + "\"";
    return false;
  }
  info->dateTime = root.Get("DateTime");
  if (!ParseLocalTime(info->dateTime, dateFormat, &info->docTime)) {
    *why = "DateTime \"" + info->dateTime + "\" does not read as " + dateFormat;
    return false;
  }
  info->generation = root.Get("Generation");
  return true;
}

}  // namespace hxc
