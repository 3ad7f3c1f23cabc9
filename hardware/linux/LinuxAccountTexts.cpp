#include "hardware/linux/LinuxAccountTexts.h"

#include <limits>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace hxlinux {
namespace {

constexpr char c_Comment = '#';
constexpr char c_FieldSeparator = ':';
constexpr char c_MemberSeparator = ',';
constexpr const char* c_Digits = "0123456789";
constexpr const char* c_CompatMarkers = "+-";
constexpr std::string_view c_UidLine = "Uid:";

// passwd: name, password, uid, gid, gecos, home, shell (the rest of the line).
constexpr size_t c_PasswdFields = 7;
constexpr size_t c_PwUid = 2, c_PwGid = 3, c_PwHome = 5, c_PwShell = 6;
// group: name, password, gid, members.
constexpr size_t c_GroupFields = 4;
constexpr size_t c_GrGid = 2, c_GrMembers = 3;
// stat: the fields after the command: state, ppid, pgrp, session, tty, tpgid,
// flags.
constexpr size_t c_StatParent = 1, c_StatFlags = 6;
// status "Uid:": real, effective.
constexpr size_t c_EffectiveUid = 1;

HX_NODISCARD bool Id(std::string_view text, uint32_t& id) {
  uint64_t value = 0;
  if (text.empty() || text.find_first_not_of(c_Digits) != std::string_view::npos || !hx::ParseUInt64(text, value) ||
      value > std::numeric_limits<uint32_t>::max())
    return false;
  id = static_cast<uint32_t>(value);
  return true;
}

// The fields of each entry line (the last one takes the rest of the line),
// missing ones empty; comment and blank lines, nameless entries and the compat
// source's markers are skipped.
std::vector<std::vector<std::string>> Entries(std::string_view text, size_t count) {
  std::vector<std::vector<std::string>> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && hx::IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == c_Comment || line.front() == c_FieldSeparator ||
        std::string_view(c_CompatMarkers).find(line.front()) != std::string_view::npos)
      continue;
    std::vector<std::string> fields(count);
    for (size_t i = 0; i < count; ++i) {
      const size_t colon = i + 1 < count ? line.find(c_FieldSeparator) : std::string_view::npos;
      fields[i] = std::string(line.substr(0, colon));
      line = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    }
    entries.push_back(std::move(fields));
  }
  return entries;
}

}  // namespace

std::vector<PasswdEntryT> ParsePasswd(std::string_view text) {
  std::vector<PasswdEntryT> accounts;
  for (std::vector<std::string>& f : Entries(text, c_PasswdFields)) {
    PasswdEntryT entry;
    if (!Id(f[c_PwUid], entry.uid) || !Id(f[c_PwGid], entry.gid)) continue;
    entry.name = std::move(f[0]);
    entry.home = std::move(f[c_PwHome]);
    entry.shell = std::move(f[c_PwShell]);
    accounts.push_back(std::move(entry));
  }
  return accounts;
}

std::vector<GroupEntryT> ParseGroup(std::string_view text) {
  std::vector<GroupEntryT> groups;
  for (std::vector<std::string>& f : Entries(text, c_GroupFields)) {
    GroupEntryT entry;
    if (!Id(f[c_GrGid], entry.gid)) continue;
    entry.name = std::move(f[0]);
    for (const std::string& member : hx::Split(f[c_GrMembers], c_MemberSeparator)) {
      std::string name = hx::Trim(member);
      if (!name.empty()) entry.members.push_back(std::move(name));
    }
    groups.push_back(std::move(entry));
  }
  return groups;
}

std::set<std::string> ParseShells(std::string_view text) {
  std::set<std::string> shells;
  for (const std::string& line : hx::SplitLines(text)) {
    const std::string_view rest = hx::TrimView(line);
    if (rest.empty() || rest.front() != '/') continue;
    const size_t end = rest.find_first_of(" \t#");
    shells.insert(std::string(rest.substr(0, end)));
  }
  return shells;
}

bool ParseProcStat(std::string_view text, ProcStatT& stat) {
  const size_t open = text.find('(');
  const size_t close = text.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return false;
  const std::vector<std::string> fields = hx::SplitBlanks(text.substr(close + 1));
  if (fields.size() <= c_StatFlags || !hx::ParseInt64(fields[c_StatParent], stat.parent) ||
      !hx::ParseUInt64(fields[c_StatFlags], stat.flags))
    return false;
  stat.command = std::string(text.substr(open + 1, close - open - 1));
  return true;
}

bool StatusEffectiveUid(std::string_view text, uint32_t& uid) {
  for (const std::string& line : hx::SplitLines(text)) {
    if (!hx::StartsWith(line, c_UidLine)) continue;
    const std::vector<std::string> ids = hx::SplitBlanks(std::string_view(line).substr(c_UidLine.size()));
    return ids.size() > c_EffectiveUid && Id(ids[c_EffectiveUid], uid);
  }
  return false;
}

}  // namespace hxlinux
