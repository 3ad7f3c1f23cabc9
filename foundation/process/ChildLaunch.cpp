#include "foundation/process/ChildLaunch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SysRoot.h"

extern char** environ;

namespace hx::proc {

namespace {

constexpr int c_SignalBits = 31;
// The PATH that exec searches when the child's environment has none.
constexpr const char* c_DefaultPath = "/bin:/usr/bin";
// Upper bound of the descriptor loop used where close_range is missing: a descriptor limit of
// a billion (seen in containers) would otherwise make every start take seconds.
constexpr long c_MaxFdLoop = 1L << 20;

// The signal-ignore mask uses the Solaris signal numbers; this maps each number to the host's
// signal (0 where the host has no such signal). The numbers agree for the common signals, but
// not for all (24 is SIGTSTP on Solaris and SIGXCPU on Linux).
const int c_SignalByNumber[c_SignalBits + 1] = {
    0, SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT,
#ifdef SIGEMT
    SIGEMT,
#else
    0,
#endif
    SIGFPE, SIGKILL, SIGBUS, SIGSEGV, SIGSYS, SIGPIPE, SIGALRM, SIGTERM,
    SIGUSR1, SIGUSR2, SIGCHLD,
#ifdef SIGPWR
    SIGPWR,
#else
    0,
#endif
    SIGWINCH, SIGURG,
#ifdef SIGPOLL
    SIGPOLL,
#else
    SIGIO,
#endif
    SIGSTOP, SIGTSTP, SIGCONT, SIGTTIN, SIGTTOU, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};

std::atomic<bool> s_sigpipeIgnoredByUs{false};

// "NAME=..." strings: the length of NAME, or 0 when the '=' is missing or first.
size_t NameLength(const std::string& s) {
  const size_t eq = s.find('=');
  return eq == std::string::npos ? 0 : eq;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

HX_NODISCARD bool WriteAll(int fd, const void* data, size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t n = ::write(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void IgnoreSigpipeInTracker() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current;
    if (::sigaction(SIGPIPE, nullptr, &current) != 0) return;
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) return;
    if (::signal(SIGPIPE, SIG_IGN) != SIG_ERR) s_sigpipeIgnoredByUs = true;
  });
}

ChildLaunchC::ChildLaunchC(const CommandLineC& commandLine) : argStore_(commandLine.GetArgs()) {
  argv_.reserve(argStore_.size() + 1);
  for (std::string& a : argStore_) argv_.push_back(a.data());
  argv_.push_back(nullptr);
  sigemptyset(&emptyMask_);
  const long limit = ::sysconf(_SC_OPEN_MAX);
  fdLimit_ = limit < 0 || limit > c_MaxFdLoop ? c_MaxFdLoop : limit;
  restoreSigpipe_ = s_sigpipeIgnoredByUs.load();
}

void ChildLaunchC::SetEnvironment(const StringArrayC* env, bool merge) {
  hasEnv_ = env != nullptr;
  envStore_.clear();
  if (env == nullptr) return;
  if (merge) {
    // The merge happens here, on a copy: the tracker's own environment never changes.
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) envStore_.emplace_back(*e);
    for (const std::string& s : *env) {
      const size_t len = NameLength(s);
      if (len == 0) continue;
      bool replaced = false;
      for (std::string& have : envStore_) {
        if (NameLength(have) == len && have.compare(0, len + 1, s, 0, len + 1) == 0) {
          have = s;
          replaced = true;
          break;
        }
      }
      if (!replaced) envStore_.push_back(s);
    }
  } else {
    for (const std::string& s : *env) envStore_.push_back(hx::Utf8ToSys8(s));
  }
  envp_.clear();
  envp_.reserve(envStore_.size() + 1);
  for (std::string& s : envStore_) envp_.push_back(s.data());
  envp_.push_back(nullptr);
}

void ChildLaunchC::SetWorkingDirectory(const FileNameC* dir) {
  hasWorkDir_ = dir != nullptr;
  workDir_ = dir ? dir->str() : std::string();
}

void ChildLaunchC::SetSignalIgnore(uint32_t mask) {
  ignoreSignals_.clear();
  for (int n = 1; n <= c_SignalBits; ++n) {
    if ((mask & (1u << (n - 1))) && c_SignalByNumber[n] != 0) ignoreSignals_.push_back(c_SignalByNumber[n]);
  }
  const bool childIgnoresPipe =
      std::find(ignoreSignals_.begin(), ignoreSignals_.end(), SIGPIPE) != ignoreSignals_.end();
  restoreSigpipe_ = s_sigpipeIgnoredByUs.load() && !childIgnoresPipe;
}

std::string ChildLaunchC::EffectivePath() const {
  if (hasEnv_) {
    for (const std::string& s : envStore_) {
      if (NameLength(s) == 4 && s.compare(0, 5, "PATH=") == 0) return s.substr(5);
    }
    return c_DefaultPath;
  }
  const char* path = std::getenv("PATH");
  return path ? path : c_DefaultPath;
}

// With a system root (a fixture machine standing for "/"), a program named by an absolute path
// runs from under the root, and a bare name is looked up on the PATH with every entry taken
// under the root: the first executable file found runs, and none found is "no such file" (the
// host's own tool never stands in for the machine's). argv[0] stays as given. Without a root
// the name goes to execvp unchanged.
void ChildLaunchC::ResolveProgram() {
  execPath_ = argStore_.empty() ? std::string() : argStore_[0];
  searchPath_ = false;
  presetError_ = 0;
  if (execPath_.find('/') != std::string::npos) {
    execPath_ = hx::MapSystemPath(execPath_);
    return;
  }
  if (hx::SystemRoot().empty() || execPath_.empty()) {
    searchPath_ = true;
    return;
  }
  const std::string name = execPath_;
  bool sawFile = false;
  for (std::string dir : hx::Split(EffectivePath(), ':')) {
    if (dir.empty()) dir = ".";
    const std::string candidate = hx::MapSystemPath(dir + "/" + name);
    if (IsExecutableFile(candidate)) {
      execPath_ = candidate;
      return;
    }
    sawFile = sawFile || ::access(candidate.c_str(), F_OK) == 0;
  }
  presetError_ = sawFile ? EACCES : ENOENT;
}

void ChildLaunchC::Fail(int statusFd, int err) {
  HX_IGNORE_RESULT(WriteAll(statusFd, &err, sizeof err));  // the exit status tells the parent all the same
  ::_exit(1);  // not exit(): the tracker's atexit handlers and stdio buffers are not ours
}

void ChildLaunchC::CloseFrom(int first) const {
#if defined(__linux__) && defined(SYS_close_range)
  if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0u, 0u) == 0) return;
#endif
  for (long fd = fdLimit_ - 1; fd >= first; --fd) ::close(static_cast<int>(fd));
}

void ChildLaunchC::ExecInChild(const int streamFds[3], int statusFd) const {
  // The tool leads a process group of its own, so that a limit or a stop of the tracker ends
  // it together with everything it started (the parent makes the same call: no race).
  ::setpgid(0, 0);
  // Lift every stream source above the status descriptor first: a source may itself be 0-3
  // (a caller's descriptor, or one the tracker got while a standard stream was closed), and the
  // dup2 calls below would otherwise overwrite it before it is used.
  int source[3];
  for (int i = 0; i < 3; ++i) {
    source[i] = streamFds[i];
    if (source[i] != i) {
      source[i] = ::fcntl(streamFds[i], F_DUPFD, c_FirstClosedFd);
      if (source[i] < 0) Fail(statusFd, errno);
    }
  }
  if (statusFd != c_StatusFd) {
    if (::dup2(statusFd, c_StatusFd) < 0) Fail(statusFd, errno);
    statusFd = c_StatusFd;
  }
  ::fcntl(statusFd, F_SETFD, FD_CLOEXEC);
  for (int i = 0; i < 3; ++i) {
    if (source[i] != i && ::dup2(source[i], i) < 0) Fail(statusFd, errno);
    ::fcntl(i, F_SETFD, 0);  // a standard stream must survive the exec
  }

  // Dispositions first, then the tracker's blocked signals are unblocked: the tool starts with
  // an empty signal mask, as any program expects.
  if (restoreSigpipe_) ::signal(SIGPIPE, SIG_DFL);
  for (int sig : ignoreSignals_) ::signal(sig, SIG_IGN);
  ::sigprocmask(SIG_SETMASK, &emptyMask_, nullptr);

  // Every descriptor of the tracker beyond the three streams and the status pipe is closed, so
  // that no pipe, file or socket leaks into the tool (and no pipe of another child stays open
  // in this one, which would delay that child's end of file).
  CloseFrom(c_FirstClosedFd);

  // A working directory that cannot be entered fails the start: the tool would otherwise run,
  // and report, in the wrong place.
  if (hasWorkDir_ && ::chdir(workDir_.c_str()) != 0) Fail(statusFd, errno);
  if (presetError_ != 0) Fail(statusFd, presetError_);
  if (hasEnv_) environ = const_cast<char**>(envp_.data());
  if (searchPath_) {
    ::execvp(argv_[0], const_cast<char* const*>(argv_.data()));
  } else {
    ::execv(execPath_.c_str(), const_cast<char* const*>(argv_.data()));
  }
  Fail(statusFd, errno);
}

}  // namespace hx::proc
