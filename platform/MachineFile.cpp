#include "platform/MachineFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/vfs.h>
#endif

#include <cerrno>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/files/FileService.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/SysRoot.h"

namespace {

constexpr const char* c_SnapshotDir = "/.snapshot/";
constexpr size_t c_ReadChunk = 64u * 1024u;
constexpr mode_t c_WritableByOthers = S_IWGRP | S_IWOTH;

#if defined(__linux__)
constexpr long c_ProcMagic = 0x9fa0;  // PROC_SUPER_MAGIC
#endif

// A file we may take facts from: regular, owned by root or by us, and nobody else can change it;
// or a file of Linux's process file system, the kernel's own answer whoever owns it (a process's
// files belong to its user).
bool Trusted(int fd, const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return false;
#if defined(__linux__)
  struct statfs fs {};
  if (::fstatfs(fd, &fs) == 0 && static_cast<long>(fs.f_type) == c_ProcMagic) return true;
#endif
  if (st.st_uid != 0 && st.st_uid != ::geteuid()) return false;
  return (st.st_mode & c_WritableByOthers) == 0;
}

// Kernel files (/proc, /sys) report a size of 0 or of a page whatever they hold, so the file
// is read to its end, and the cap is checked on what was read.
HX_NODISCARD bool ReadToEnd(int fd, std::string& text) {
  text.clear();
  char buffer[c_ReadChunk];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (text.size() + static_cast<size_t>(n) > hx::c_MaxMachineFile) return false;
    text.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

namespace hx {

bool ReadMachineFile(std::string_view fixedPath, std::string& text) {
  return ReadHostFile(FileService()->systemPath(fixedPath), text);
}

bool ReadHostFile(const std::string& path, std::string& text) {
  const UniqueFdC fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  const bool ok = fd.valid() && ::fstat(fd.get(), &st) == 0 && Trusted(fd.get(), st) &&
                  static_cast<size_t>(st.st_size) <= c_MaxMachineFile && ReadToEnd(fd.get(), text);
  if (!ok) text.clear();
  return ok;
}

bool MachineFromSnapshot() { return !SystemRoot().empty(); }

bool ReadSnapshotFile(std::string_view name, std::string& text) {
  text.clear();
  if (!MachineFromSnapshot() || name.empty() || name.find('/') != std::string_view::npos) return false;
  return ReadMachineFile(std::string(c_SnapshotDir) + std::string(name), text);
}

void SplitFirstWord(std::string_view line, std::string_view& word, std::string_view& rest) {
  const size_t end = line.find_first_of(" \t");
  word = line.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : TrimView(line.substr(end));
}

NameValuesT ParseNameValues(std::string_view text) {
  NameValuesT values;
  for (const std::string& line : SplitLines(text)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name = Trim(std::string_view(line).substr(0, eq));
    if (name.empty()) continue;
    values.emplace_back(std::move(name), Trim(std::string_view(line).substr(eq + 1)));
  }
  return values;
}

bool FindNameValue(const NameValuesT& values, std::string_view name, std::string& value) {
  for (auto it = values.rbegin(); it != values.rend(); ++it) {
    if (it->first == name) {
      value = it->second;
      return true;
    }
  }
  return false;
}

}  // namespace hx
