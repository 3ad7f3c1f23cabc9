#include "foundation/process/ToolSessions.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#if defined(__sun)
#include <procfs.h>
#endif

#include "foundation/core/Nodiscard.h"
#include "foundation/files/DirStream.h"
#include "foundation/process/Descriptor.h"

namespace hx::proc {

namespace {

constexpr const char* c_ProcDir = "/proc";
constexpr size_t c_PathSize = 64;
// A stat line is a few hundred bytes; what matters is within its first 22 fields.
constexpr size_t c_StatSize = 1024;

bool IsProcessName(const char* name) {
  if (*name == '\0') return false;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
  }
  return true;
}

// The whole of a small /proc file in `buffer`; the byte count, or -1.
HX_NODISCARD ssize_t ReadProcFile(const char* name, const char* file, void* buffer, size_t size) {
  char path[c_PathSize];
  std::snprintf(path, sizeof path, "%s/%s/%s", c_ProcDir, name, file);
  int fd = -1;
  if (hx::Failed(hx::OpenRetry(path, O_RDONLY, 0, fd))) return -1;
  const hx::UniqueFdC owned(fd);
  return hx::ReadRetry(owned.get(), buffer, size);
}

#if defined(__sun)

HX_NODISCARD bool ReadEntry(const char* name, ProcessEntryT& entry) {
  psinfo_t info;
  if (ReadProcFile(name, "psinfo", &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return false;
  entry.pid = info.pr_pid;
  entry.parent = info.pr_ppid;
  entry.session = info.pr_sid;
  entry.started = static_cast<unsigned long long>(info.pr_start.tv_sec) * 1000000000ULL +
                  static_cast<unsigned long long>(info.pr_start.tv_nsec);
  entry.zombie = info.pr_nlwp == 0;  // a zombie has no threads left
  return true;
}

#else

// "pid (name) state ppid pgrp session ... starttime ...": the name may hold blanks and
// parentheses, so the fields are read after its last ')'.
HX_NODISCARD bool ReadEntry(const char* name, ProcessEntryT& entry) {
  char text[c_StatSize];
  const ssize_t n = ReadProcFile(name, "stat", text, sizeof text - 1);
  if (n <= 0) return false;
  text[n] = '\0';
  const char* close = std::strrchr(text, ')');
  if (close == nullptr) return false;
  char state = 0;
  int parent = 0, session = 0;
  // Fields 3 to 22: state, ppid, pgrp, session, tty, tpgid, flags, four fault counts, four
  // times, priority, nice, threads, itrealvalue, starttime.
  if (std::sscanf(close + 1, " %c %d %*d %d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                  &state, &parent, &session, &entry.started) != 4)
    return false;
  entry.pid = static_cast<pid_t>(std::atol(name));
  entry.parent = parent;
  entry.session = session;
  entry.zombie = state == 'Z' || state == 'X';
  return true;
}

#endif

}  // namespace

std::vector<ProcessEntryT> ReadProcessTable() {
  std::vector<ProcessEntryT> table;
  hx::DirStreamC dir(c_ProcDir);
  while (const dirent* e = dir.next()) {
    ProcessEntryT entry;
    if (IsProcessName(e->d_name) && ReadEntry(e->d_name, entry)) table.push_back(entry);
  }
  return table;
}

std::vector<pid_t> ToolSessionsC::Members(const std::vector<ProcessEntryT>& table) {
  std::map<pid_t, unsigned long long> started;
  for (const ProcessEntryT& e : table) started[e.pid] = e.started;
  // A recorded session whose id now names a process it did not have is someone else's: the
  // session ended and its id was given out again.
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    const auto leader = started.find(it->first);
    it = leader != started.end() && leader->second != it->second ? sessions_.erase(it) : std::next(it);
  }
  // Never the tracker itself, its session, init or the kernel's own processes.
  const pid_t self = ::getpid();
  const pid_t ownSession = ::getsid(0);
  std::set<pid_t> ours;
  for (bool grew = true; grew;) {
    grew = false;
    for (const ProcessEntryT& e : table) {
      if (e.pid <= 1 || e.pid == self || e.session <= 1 || e.session == ownSession || ours.count(e.pid) != 0) continue;
      if (e.pid != tool_ && ours.count(e.parent) == 0 && sessions_.count(e.session) == 0) continue;
      ours.insert(e.pid);
      grew = true;
      if (sessions_.count(e.session) == 0) {
        const auto leader = started.find(e.session);
        sessions_[e.session] = leader != started.end() ? leader->second : 0;
      }
    }
  }
  std::vector<pid_t> live;
  for (const ProcessEntryT& e : table) {
    if (!e.zombie && ours.count(e.pid) != 0) live.push_back(e.pid);
  }
  return live;
}

size_t ToolSessionsC::Signal(int sig) {
  const std::vector<pid_t> live = Members(ReadProcessTable());
  if (sig != 0) {
    for (const pid_t pid : live) ::kill(pid, sig);
  }
  return live.size();
}

}  // namespace hx::proc
