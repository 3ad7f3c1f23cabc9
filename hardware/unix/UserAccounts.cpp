#include "hardware/unix/UserAccounts.h"

#include <pwd.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SysRoot.h"
#include "platform/MachineFile.h"

namespace hx {
namespace {

constexpr const char* c_PasswdFile = "/etc/passwd";
constexpr size_t c_NameField = 0;
constexpr size_t c_UidField = 2;
constexpr size_t c_HomeField = 5;
constexpr size_t c_ShellField = 6;
constexpr size_t c_MinFields = c_HomeField + 1;
constexpr size_t c_DefaultBuffer = 16384;

// Calls `match` with the fields of each well-formed passwd line until it answers true.
HX_NODISCARD bool FindEntry(std::string_view passwd, const std::function<bool(const StringArrayC&)>& match) {
  for (const std::string& line : SplitLines(passwd)) {
    const StringArrayC fields = Split(line, ':');
    uint64_t uid = 0;
    if (fields.size() < c_MinFields || !ParseUInt64(fields[c_UidField], uid)) continue;
    if (match(fields)) return true;
  }
  return false;
}

// The machine's passwd file under a system root; false without a root or without the file.
HX_NODISCARD bool MachinePasswd(std::string& text) { return !SystemRoot().empty() && ReadMachineFile(c_PasswdFile, text); }

size_t BufferSize() {
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  return size > 0 ? static_cast<size_t>(size) : c_DefaultBuffer;
}

}  // namespace

bool FindPasswdHome(std::string_view passwd, std::string_view user, StringC& home, StringC* shell) {
  return FindEntry(passwd, [&](const StringArrayC& fields) {
    if (fields[c_NameField] != user || fields[c_HomeField].empty()) return false;
    home = fields[c_HomeField];
    if (shell != nullptr) *shell = fields.size() > c_ShellField ? fields[c_ShellField] : StringC();
    return true;
  });
}

bool FindPasswdName(std::string_view passwd, uint64_t uid, StringC& name) {
  return FindEntry(passwd, [&](const StringArrayC& fields) {
    uint64_t id = 0;
    if (!ParseUInt64(fields[c_UidField], id) || id != uid) return false;
    name = fields[c_NameField];
    return true;
  });
}

bool LookupUserHome(const StringC& user, StringC& home, StringC* shell) {
  std::string text;
  if (MachinePasswd(text)) return FindPasswdHome(text, user, home, shell);
  std::vector<char> buffer(BufferSize());
  passwd entry;
  passwd* found = nullptr;
  if (::getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return false;
  if (found->pw_dir == nullptr || found->pw_dir[0] == '\0') return false;
  home = found->pw_dir;
  if (shell != nullptr) *shell = found->pw_shell != nullptr ? found->pw_shell : "";
  return true;
}

bool LookupUserName(uint64_t uid, StringC& name) {
  std::string text;
  if (MachinePasswd(text)) return FindPasswdName(text, uid, name);
  const uid_t id = static_cast<uid_t>(uid);
  if (static_cast<uint64_t>(id) != uid) return false;
  std::vector<char> buffer(BufferSize());
  passwd entry;
  passwd* found = nullptr;
  if (::getpwuid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return false;
  name = found->pw_name != nullptr ? found->pw_name : "";
  return !name.empty();
}

}  // namespace hx
