#pragma once
// ToolSessionsC: the sessions that a tool's processes live in, so that a bound ends all of them.
// A tool normally stays in the process group the runner gives it, but a program such as su
// starts its command in a session of its own, where a signal to su's group never arrives, and
// any descendant may do the same. The record holds the tool's own session (the tool leads one:
// its child calls setsid before the exec) and the session of every process that descends from
// the tool or from a member of a session already recorded. Looking again while the tool runs
// keeps the sessions of descendants whose parent ends (they are handed to init and are no
// longer the tool's descendants, but stay in their session).
//
// The processes are those of the live system, never of a system root: they are what a signal
// reaches. Linux reads /proc/<pid>/stat, Solaris /proc/<pid>/psinfo.

#include <sys/types.h>

#include <cstddef>
#include <map>
#include <vector>

namespace hx::proc {

// One process as the record needs it.
struct ProcessEntryT {
  pid_t pid = 0;
  pid_t parent = 0;
  pid_t session = 0;
  unsigned long long started = 0;  // the start time in the system's own units: tells a reused id
  bool zombie = false;
};

// Every process of the system that could be read (one that ends meanwhile is left out).
std::vector<ProcessEntryT> ReadProcessTable();

class ToolSessionsC {
 public:
  // `tool`: the process that leads the first session; it must not have been reaped (its id
  // cannot then belong to anyone else).
  explicit ToolSessionsC(pid_t tool) : tool_(tool) {}

  // Records the sessions the tool's processes are in now.
  void Look() { Members(ReadProcessTable()); }
  // Looks, then sends `sig` to every live process of the recorded sessions and of the tool's
  // tree (sig 0: sends nothing). The number of those processes: 0 once they are all gone.
  size_t Signal(int sig);

 private:
  std::vector<pid_t> Members(const std::vector<ProcessEntryT>& table);

  pid_t tool_;
  // Session id and the start time of its leader when it was recorded (0: the leader had gone).
  std::map<pid_t, unsigned long long> sessions_;
};

}  // namespace hx::proc
