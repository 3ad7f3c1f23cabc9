#pragma once
// Every test program starts from this header: GoogleTest, the standard and system headers the
// tests use, and helpers they share: a temporary directory that removes itself, environment
// changes that undo themselves, whole-file reads and writes, text searches, and a program run
// as a child with its output captured and a deadline.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/messages/Errors.h"
#include "foundation/process/Process.h"
#include "foundation/trace/Tracer.h"

// A test that makes files owned by another user (or drops privileges) needs root; without it
// the test is skipped and says so, instead of passing without having checked anything.
#define HX_TEST_NEEDS_ROOT()                                                              \
  do {                                                                                    \
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: it makes files of another user"; \
  } while (0)

namespace hxtest {

// Whether this build runs under AddressSanitizer (its memory figures are not the program's).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool c_Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool c_Sanitized = true;
#else
constexpr bool c_Sanitized = false;
#endif
#else
constexpr bool c_Sanitized = false;
#endif

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// How often `part` occurs in text (overlapping occurrences count).
inline size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// Table cases kept as data in tests/fixtures/cases/<name>: each starts with a line "=== <what>"
// and holds texts separated by lines "---" (the input, then what it must give). Every line of a
// text keeps its line end, so a text is empty or ends with one.
struct TextCaseT { std::string what; std::vector<std::string> texts; };
inline std::vector<TextCaseT> TextCases(const std::string& name) {
  std::vector<TextCaseT> cases;
  std::istringstream in(ReadFile(HX_SOURCE_DIR "/tests/fixtures/cases/" + name));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0) cases.push_back({line.substr(4), {""}});
    else if (!cases.empty() && line == "---") cases.back().texts.emplace_back();
    else if (!cases.empty()) cases.back().texts.back() += line + "\n";
  }
  EXPECT_FALSE(cases.empty()) << name;
  return cases;
}

// Everything in a stdio stream, read from its start.
inline std::string ReadStream(std::FILE* in) {
  std::fflush(in);
  std::rewind(in);
  std::string text;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) text.append(buf, n);
  return text;
}

// The ids reported to this thread's error buffer since it was last reset.
inline std::vector<int32_t> ErrorIds() {
  std::vector<int32_t> ids;
  for (unsigned i = 0; i < getErrBuf()->count(); ++i) ids.push_back(getErrBuf()->get(i)->id());
  return ids;
}

// Regular files whose names start with `prefix` directly in dir, sorted.
inline std::vector<std::string> FilesIn(const std::string& dir, const std::string& prefix = "") {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file() && name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Sets a file's modification time `seconds` away from now (negative: in the past).
inline void SetModified(const std::string& path, long seconds) {
  struct timeval times[2] = {};
  gettimeofday(&times[0], nullptr);
  times[0].tv_sec += seconds;
  times[1] = times[0];
  ::utimes(path.c_str(), times);
}

// The moment of a calendar date and time, read in universal time or in the local zone.
inline time_t TimeOf(bool universal, int year, int month, int day, int hour, int minute, int second = 0) {
  struct tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return universal ? ::timegm(&tm) : std::mktime(&tm);
}

// Whether process `pid` has ended: it is gone, or a zombie no one has reaped yet.
inline bool ProcessEnded(long pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren == std::string::npos || stat.compare(paren, 3, ") Z") == 0;
}

// Runs `action` in a child process and answers the child's exit status (what the action
// returned, to 255), or -1 when the child was killed or could not be started or waited for.
inline int InChild(const std::function<int()>& action) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(action() & 0xFF);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// The ordinary local account whose attacks the root-run tests replay: "hxattacker", made
// (system account, no home, no login shell) the first time a test asks for it. 0 when the
// tests do not run as root or the account cannot be made.
inline uid_t AttackerUid() {
  constexpr const char* c_Name = "hxattacker";
  if (::geteuid() != 0) return 0;
  if (const struct passwd* pw = ::getpwnam(c_Name)) return pw->pw_uid;
  // Two test programs may get here together: whichever loses finds the account made.
  InChild([] {
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 1);
    ::dup2(quiet, 2);
    ::execl("/usr/sbin/useradd", "useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", c_Name,
            static_cast<char*>(nullptr));
    return 127;
  });
  const struct passwd* pw = ::getpwnam(c_Name);
  return pw != nullptr ? pw->pw_uid : 0;
}

// Skips a test that replays an ordinary user's attack on a root run, saying why.
#define HX_TEST_NEEDS_ATTACKER(uid)                                                                   \
  const uid_t uid = hxtest::AttackerUid();                                                            \
  if (uid == 0) GTEST_SKIP() << "needs root and an ordinary account (hxattacker) to attack the run"

// Runs `action` in a child process as `uid` (its own group, no supplementary groups) and
// answers what the action returned, or -1 when the child could not drop root or was killed.
inline int AsUser(uid_t uid, const std::function<int()>& action) {
  const int status = InChild([&] {
    const struct passwd* pw = ::getpwuid(uid);
    const gid_t gid = pw != nullptr ? pw->pw_gid : static_cast<gid_t>(uid);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) return 255;
    return action();
  });
  return status == 255 ? -1 : status;
}

// A fresh directory under /tmp (or `base`), removed with everything in it when the object goes.
class TempDirC {
 public:
  explicit TempDirC(const char* tag = "hxtest", const char* base = "/tmp") {
    std::string pattern = std::string(base) + "/" + tag + "-XXXXXX";
    if (char* made = ::mkdtemp(pattern.data())) path_ = made;
  }
  ~TempDirC() {
    if (path_.empty()) return;
    std::error_code ec;
    // Give back permissions a test took away, so that the whole tree can go.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempDirC(const TempDirC&) = delete;
  TempDirC& operator=(const TempDirC&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& rel) const { return path_ + "/" + rel; }
  // Writes a file below the directory, creating its parent directories; returns its path.
  std::string Write(const std::string& rel, const std::string& content) const {
    const std::string p = File(rel);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path(), ec);
    WriteFile(p, content);
    return p;
  }
  std::string Mkdir(const std::string& rel) const {
    const std::string p = File(rel);
    std::error_code ec;
    std::filesystem::create_directories(p, ec);
    return p;
  }

 private:
  std::string path_;
};

// Copies a tree (a fixture machine) and takes group and other write permission from the copy:
// the checkout may have been made with a lax umask, and the tracker refuses machine files that
// others could change.
inline void CopyTree(const std::string& from, const std::string& to) {
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(to, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::group_write | std::filesystem::perms::others_write,
                                   std::filesystem::perm_options::remove, ec);
  }
}

// Sets or unsets environment variables for the life of the object and puts the old values
// back afterwards.
class ScopedEnvC {
 public:
  ScopedEnvC() = default;
  ScopedEnvC(const char* name, const char* value) { Set(name, value); }
  ~ScopedEnvC() {
    for (const auto& [name, old] : saved_) {
      if (old) ::setenv(name.c_str(), old->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  ScopedEnvC(const ScopedEnvC&) = delete;
  ScopedEnvC& operator=(const ScopedEnvC&) = delete;

  // A null value unsets the variable.
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// TZ set for the life of the object, with the C library told of each change.
class ScopedTimeZoneC {
 public:
  explicit ScopedTimeZoneC(const char* tz) : env_("TZ", tz) { ::tzset(); }

 private:
  // Destroyed after env_ has put the old TZ back.
  struct RetzsetT {
    ~RetzsetT() { ::tzset(); }
  } retzset_;
  ScopedEnvC env_;
};

// The process tracer's lines of one category (and those below it) while the object lives or
// until Stop(), which answers them.
class TraceCaptureC {
 public:
  explicit TraceCaptureC(std::string category) : category_(std::move(category)), out_(std::tmpfile()) {
    hx::TraceSetOutput(out_);
    hx::TraceEnable(category_);
  }
  ~TraceCaptureC() { Stop(); }
  TraceCaptureC(const TraceCaptureC&) = delete;
  TraceCaptureC& operator=(const TraceCaptureC&) = delete;

  const std::string& Stop() {
    if (stopped_) return text_;
    stopped_ = true;
    hx::TraceInherit(category_);
    hx::TraceSetOutput(nullptr);
    if (out_ != nullptr) {
      text_ = ReadStream(out_);
      std::fclose(out_);
    }
    return text_;
  }

 private:
  std::string category_;
  std::FILE* out_;
  bool stopped_ = false;
  std::string text_;
};

// A program run as a child: input from /dev/null, output and error captured, terminated when it
// outlives its deadline, so that a program that hangs fails its test instead of the suite.
class ChildC {
 public:
  static constexpr uint32_t c_NoExit = 0xFFFFFFFFu;  // the exit code of a child that was killed

  explicit ChildC(const CommandLineC& commandLine) : devNull_("/dev/null") {
    p_.SetCommandLine(commandLine);
    EXPECT_EQ(p_.StdIn().Redirect(&devNull_), hx::RC_OK);
    EXPECT_EQ(p_.StdOut().Redirect(&out_), hx::RC_OK);
    EXPECT_EQ(p_.StdErr().Redirect(&err_), hx::RC_OK);
  }
  ChildC(const ChildC&) = delete;
  ChildC& operator=(const ChildC&) = delete;

  ChildC& Environment(const StringArrayC& variables, bool merge = true) {
    p_.SetEnvironment(variables, merge);
    return *this;
  }
  ChildC& WorkingDirectory(const std::string& dir) {
    cwd_ = FileNameC(dir);
    p_.SetWorkingDirectory(&cwd_);
    return *this;
  }
  // Runs the command through `wrapper` (its arguments first): `{"/usr/bin/unshare", "--ipc"}`
  // gives a run an IPC namespace, and so a single-instance lock, of its own.
  ChildC& Through(std::initializer_list<StringC> wrapper) {
    StringArrayC args(wrapper);
    for (const StringC& a : p_.GetCommandLine().GetArgs()) args.push_back(a);
    p_.SetCommandLine(CommandLineC(std::move(args)));
    return *this;
  }
  hx::ResultT Start() { return p_.Create(); }
  long Pid() const {
    long pid = -1;
    HX_IGNORE_RESULT(p_.GetProcessId(&pid));  // -1 stays when there is none
    return pid;
  }
  // Waits for the end and answers the exit status (c_NoExit when killed).
  uint32_t Finish(std::chrono::seconds limit = std::chrono::seconds(120)) {
    deadline_ = std::chrono::steady_clock::now() + limit;
    HX_IGNORE_RESULT(p_.Wait(&ChildC::InTime, this, ProcessC::MillisecondsC(200)));  // the exit code tells
    uint32_t code = c_NoExit;
    if (p_.GetExitCode(&code) != hx::RC_OK) code = c_NoExit;
    return code;
  }
  bool TimedOut() const { return timedOut_; }
  const std::string& Out() const { return out_.GetData(); }
  const std::string& Err() const { return err_.GetData(); }

 private:
  static bool InTime(ProcessC*, void* self) {
    auto* me = static_cast<ChildC*>(self);
    if (std::chrono::steady_clock::now() < me->deadline_) return true;
    me->timedOut_ = true;
    return false;
  }

  FileNameC devNull_;
  FileNameC cwd_;
  MemoryOutputStreamC out_, err_;
  ProcessC p_;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
};

}  // namespace hxtest
