#include "app/driver/TrkRunFiles.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "foundation/core/Format.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/SafeFile.h"

namespace trk {

namespace {

constexpr std::string_view c_TempPrefix = "tvk";
constexpr char c_PidEnd = '_';
constexpr char c_Unsafe = '_';
constexpr const char* c_MachineNames[] = {"MachineId", "MachineName", "ComputerName", "FullQualifiedDomainName"};

bool IsSafeByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
         c == '-';
}

// The process id in a run's temporary name ("tvk<pid>_<unique>...", optionally behind a "."),
// 0 when the name is not one.
pid_t RunFilePid(std::string_view name) {
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  if (name.compare(0, c_TempPrefix.size(), c_TempPrefix) != 0) return 0;
  name.remove_prefix(c_TempPrefix.size());
  const size_t end = name.find(c_PidEnd);
  if (end == 0 || end == std::string_view::npos || end > 9) return 0;
  pid_t pid = 0;
  for (char c : name.substr(0, end)) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  const std::string_view rest = name.substr(end + 1);
  if (rest.size() < hx::c_UniqueLength || !hx::IsUniquePart(rest.substr(0, hx::c_UniqueLength))) return 0;
  return pid;
}

bool ProcessIsGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

}  // namespace

FileNameC CreateRunTempFile(const FileNameC& dir, std::string_view suffix) {
  std::string name;
  hx::UniqueFdC fd;
  const std::string prefix = std::string(c_TempPrefix) + std::to_string(::getpid()) + c_PidEnd;
  if (hx::Failed(hx::CreateUnique(dir.str(), prefix, suffix, &name, &fd))) return FileNameC();
  return FileNameC(std::move(name));
}

size_t RemoveStaleRunFiles(const FileNameC& dir) {
  hx::DirStreamC listing(dir.str());
  std::vector<std::string> stale;
  while (const struct dirent* e = listing.next()) {
    const pid_t pid = RunFilePid(e->d_name);
    if (pid != 0 && pid != ::getpid() && ProcessIsGone(pid)) stale.emplace_back(e->d_name);
  }
  size_t removed = 0;
  for (const std::string& name : stale) {
    const std::string path = dir.append(name).str();
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

std::string SafeFileNamePart(std::string_view name) {
  std::string safe(name);
  for (char& c : safe) {
    if (!IsSafeByte(static_cast<unsigned char>(c))) c = c_Unsafe;
  }
  if (safe.empty()) return std::string(1, c_Unsafe);
  if (safe.front() == '.') safe.front() = c_Unsafe;
  return safe;
}

FileNameEnvironmentC::FileNameEnvironmentC(TrkPreferencesC& prefs) : base_(&prefs.Environment()) {
  for (const char* name : c_MachineNames) {
    if (base_->Find(StringC(name)) == nullptr) continue;
    safe_.emplace_back(StringC(name), 0);
    safe_.back().Set(StringC(SafeFileNamePart(prefs.GetValue(StringC(name)))));
  }
}

const env_ParameterC* FileNameEnvironmentC::Find(const StringC& name) const {
  for (const env_ParameterC& p : safe_) {
    if (hx::EqualsNoCase(p.Name(), name)) return &p;
  }
  return base_->Find(name);
}

StringC FileNameValue(TrkPreferencesC& prefs, const env_EnvOptsC& name) {
  FileNameEnvironmentC environment(prefs);
  TrkPreferencesC safe(&environment);
  return safe.GetValue(name);
}

FileNameC InventoryPath(const StringC& dir, const StringC& name, const StringC& job) {
  FileNameC file(name);
  if (!job.empty()) {
    const std::string base = job + "_" + file.baseName();
    file = file.directory().empty() ? FileNameC(base) : FileNameC(file.directory()).append(base);
  }
  return file.isAbsolute() ? file : FileNameC(dir).append(file.str());
}

}  // namespace trk
