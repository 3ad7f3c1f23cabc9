#pragma once
// The texts that say who is who on a Linux machine, as pure functions (fuzz
// target tests/fuzz/fuzz_linux_account_texts.cpp): the local account files
// /etc/passwd, /etc/group and /etc/shells, read as the C library's "files"
// source reads them, and the process files /proc/<pid>/stat and status that
// name a process's command and owner.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"

namespace hxlinux {

// One account of /etc/passwd ("name:password:uid:gid:gecos:home:shell"). The
// password and the gecos field (names, telephone numbers) are not kept.
struct PasswdEntryT {
  std::string name;
  uint32_t uid = 0;
  uint32_t gid = 0;
  std::string home;
  std::string shell;
};

// One group of /etc/group ("name:password:gid:member,member").
struct GroupEntryT {
  std::string name;
  uint32_t gid = 0;
  std::vector<std::string> members;
};

// The entries in file order, duplicates included, as `getent -s files` lists
// them: blanks at the start of a line, blank lines and "#" comments are
// skipped, as are lines without a name or with a numeric field that is not a
// decimal number up to 4294967295. Missing trailing fields are empty; the shell
// is the rest of the line. Entries whose name starts with "+" or "-" are the
// markers of the "compat" source, not accounts, and are left out. Members are
// separated by "," with blanks around them ignored.
std::vector<PasswdEntryT> ParsePasswd(std::string_view text);
std::vector<GroupEntryT> ParseGroup(std::string_view text);

// The shells /etc/shells lists: on each line that is not a comment, the first
// word starting with "/", up to a blank or "#".
std::set<std::string> ParseShells(std::string_view text);

// What the kernel's /proc/<pid>/stat line ("pid (comm) state ppid ... flags
// ...") says of a process: its command (between the first "(" and the last
// ")", which may hold anything), its parent and its flags.
struct ProcStatT {
  std::string command;
  int64_t parent = 0;
  uint64_t flags = 0;
};
HX_NODISCARD bool ParseProcStat(std::string_view text, ProcStatT& stat);

// The kernel's own threads carry this flag.
constexpr uint64_t c_KernelThreadFlag = 0x00200000;  // PF_KTHREAD

// The effective user id of the "Uid:" line of /proc/<pid>/status (real,
// effective, saved, file system): the user a process runs as, as ps shows it.
HX_NODISCARD bool StatusEffectiveUid(std::string_view text, uint32_t& uid);

}  // namespace hxlinux
