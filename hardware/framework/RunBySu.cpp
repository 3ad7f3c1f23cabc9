#include "hardware/framework/RunBySu.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/FileService.h"
#include "foundation/process/CommPipe.h"
#include "foundation/process/Descriptor.h"
#include "foundation/process/ChildLaunch.h"
#include "foundation/process/OutputStream.h"
#include "foundation/process/Process.h"
#include "foundation/process/ToolLimits.h"
#include "foundation/process/ToolSessions.h"
#include "foundation/trace/Tracer.h"

namespace {

using ClockT = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* c_TraceCategory = "Communication/Process";
constexpr const char* c_CommandOption = "-c";
constexpr int c_ExecFailedStatus = 1;
constexpr int c_NotFoundStatus = 127;
// The child closes every descriptor from 3 up to this one where it cannot close a range.
constexpr int c_FirstClosedFd = 3;
constexpr int c_LastClosedFd = 4095;
constexpr size_t c_ReadChunk = 4096;
// How often a reader looks at the stop flag, and the longest pause of the caller's checks.
constexpr milliseconds c_PollSlice{100};
constexpr milliseconds c_FirstCheckDelay{1};
constexpr long c_MillisecondsPerSecond = 1000;
constexpr long c_NanosecondsPerMillisecond = 1000000L;
constexpr char c_PromptColon = ':';
constexpr char c_PromptBlank = ' ';
constexpr char c_LineFeed = '\n';
// Between SIGTERM to the processes of su's sessions and SIGKILL to them: short, so that a
// command that ignores SIGTERM is gone well within a second of its bound.
constexpr milliseconds c_SessionTermGrace{300};
// A look at the process table reads an entry for every process of the machine: at most one
// part in this many of the time su runs goes to them.
constexpr int c_LookShare = 10;
// The environment su and the command get.
constexpr const char* c_FixedPath = "PATH=/usr/bin:/bin:/usr/sbin:/sbin";
constexpr const char* c_DefaultShell = "/bin/sh";
constexpr const char* c_Locale = "LANG=C";
constexpr const char* c_PlainArgumentChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+=:,@%";

// What the caller and the two reader threads share. Each reader owns its own fields; the
// flags between them are atomic.
struct SuRunT {
  int outFd = -1;
  int errFd = -1;
  int inFd = -1;
  const char* password = nullptr;
  size_t passwordLength = 0;
  std::atomic<bool> stop{false};        // the caller: stop reading now
  std::atomic<bool> outputSeen{false};  // the command has printed: no prompt any more
  std::atomic<bool> answered{false};    // the password has been written
  std::atomic<bool> overLimit{false};   // more output than one run may keep
  std::atomic<int> readersDone{0};
  // The output reader's.
  StringArrayC lines;
  std::string partial;
  size_t total = 0;
};

// Waits for `fd` to be readable for at most one slice; then reads what is there. >0 bytes,
// 0 at end of file or on an error, -1 when nothing came in this slice.
HX_NODISCARD ssize_t ReadSlice(int fd, char* buffer, size_t size) {
  pollfd pfd{fd, POLLIN, 0};
  const int ready = ::poll(&pfd, 1, static_cast<int>(c_PollSlice.count()));
  if (ready < 0) return errno == EINTR ? -1 : 0;
  if (ready == 0) return -1;
  const ssize_t n = hx::ReadRetry(fd, buffer, size);
  return n < 0 ? 0 : n;
}

void AddOutput(SuRunT& run, const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == c_LineFeed) {
      run.lines.push_back(std::move(run.partial));
      run.partial.clear();
      continue;
    }
    run.partial.push_back(data[i]);
    if (run.partial.size() == RunBySuC::c_MaxLine) {
      run.lines.push_back(std::move(run.partial));
      run.partial.clear();
    }
  }
}

void* ReadOutput(void* arg) {
  SuRunT& run = *static_cast<SuRunT*>(arg);
  char buffer[c_ReadChunk];
  while (!run.stop.load()) {
    const ssize_t n = ReadSlice(run.outFd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) continue;
    run.outputSeen.store(true);
    run.total += static_cast<size_t>(n);
    if (run.total > hx::c_MaxCapturedOutput) {
      run.overLimit.store(true);
      break;
    }
    AddOutput(run, buffer, static_cast<size_t>(n));
  }
  if (!run.partial.empty()) run.lines.push_back(std::move(run.partial));
  run.readersDone.fetch_add(1);
  return nullptr;
}

// The password and a line feed, in one write that is not kept anywhere else.
void WritePassword(SuRunT& run) {
  char lineFeed = c_LineFeed;
  iovec parts[2] = {{const_cast<char*>(run.password), run.passwordLength}, {&lineFeed, 1}};
  ssize_t n;
  while ((n = ::writev(run.inFd, parts, 2)) < 0 && errno == EINTR) {
  }
  run.answered.store(true);
}

// Watches su's error stream for its prompt: a ":" and, later, a blank, on the first line and
// before the command has printed anything (a prompt comes before the command runs; text
// after that is the command's and never gets the password). Then keeps reading, so that a
// command that writes much to its error stream never blocks on a full pipe.
void* WatchPrompt(void* arg) {
  SuRunT& run = *static_cast<SuRunT*>(arg);
  char buffer[c_ReadChunk];
  bool watching = run.password != nullptr;
  bool sawColon = false;
  while (!run.stop.load()) {
    const ssize_t n = ReadSlice(run.errFd, buffer, sizeof buffer);
    if (n == 0) break;
    for (ssize_t i = 0; watching && i < n; ++i) {
      if (run.outputSeen.load() || buffer[i] == c_LineFeed) {
        watching = false;
      } else if (buffer[i] == c_PromptColon) {
        sawColon = true;
      } else if (sawColon && buffer[i] == c_PromptBlank) {
        WritePassword(run);
        watching = false;
      }
    }
  }
  run.readersDone.fetch_add(1);
  return nullptr;
}

// 0 when `path` is a file su can be run from, else the error number that says why not.
HX_NODISCARD int CheckExecutable(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EACCES;
  return ::access(path.c_str(), X_OK) == 0 ? 0 : errno;
}

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void ExecSu(const std::string& suPath, char* const* argv, char* const* envp, const int fds[3],
                         const sigset_t& empty) {
  for (int i = 0; i < 3; ++i) {
    if (::dup2(fds[i], i) < 0) ::_exit(c_ExecFailedStatus);
  }
#if defined(__linux__) && defined(SYS_close_range)
  if (::syscall(SYS_close_range, static_cast<unsigned>(c_FirstClosedFd), ~0u, 0u) != 0)
#endif
    for (int fd = c_FirstClosedFd; fd <= c_LastClosedFd; ++fd) ::close(fd);
  // The tracker ignores SIGPIPE for itself; su and the command get the usual dispositions.
  ::signal(SIGPIPE, SIG_DFL);
  ::sigprocmask(SIG_SETMASK, &empty, nullptr);
  // No controlling terminal: su asks on the pipes, and the session is the group that a bound
  // or a stop of the tracker ends.
  ::setsid();
  ::execve(suPath.c_str(), argv, envp);
  ::_exit(c_ExecFailedStatus);
}

bool ChildEnded(pid_t pid) {
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return errno != EINTR;
  return info.si_pid != 0;
}

void Pause(milliseconds pause) {
  timespec want{static_cast<time_t>(pause.count() / c_MillisecondsPerSecond),
                static_cast<long>((pause.count() % c_MillisecondsPerSecond) * c_NanosecondsPerMillisecond)};
  timespec left{};
  while (::nanosleep(&want, &left) != 0 && errno == EINTR) want = left;
}

// Checks `done` until it holds or the deadline passes, quickly at first; false at the deadline.
template <typename DoneT>
HX_NODISCARD bool WaitUntil(ClockT::time_point deadline, DoneT done) {
  milliseconds delay = c_FirstCheckDelay;
  while (!done()) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - ClockT::now());
    if (left.count() <= 0) return false;
    Pause(std::min(delay, left));
    delay = std::min(delay * 2, c_PollSlice);
  }
  return true;
}

void SignalGroup(pid_t pid, int sig) {
  if (::kill(-pid, sig) != 0) ::kill(pid, sig);
}

using StopE = ProcessC::StopReasonE;

// What su is started with, all made before the fork.
struct SuLaunchT {
  std::string path;  // su under the system root
  char* const* argv;
  char* const* envp;
  milliseconds timeLimit;
};

// One run of su, from the fork to the reaping, with its two reader threads.
class SuProcessC {
 public:
  SuProcessC(SuRunT& run, hx::ToolEndC& end) : run_(run), end_(end) {}
  SuProcessC(const SuProcessC&) = delete;
  SuProcessC& operator=(const SuProcessC&) = delete;

  HX_NODISCARD int Run(const SuLaunchT& launch);

 private:
  HX_NODISCARD hx::ResultT Fork(const SuLaunchT& launch);
  HX_NODISCARD bool StartThread(void* (*body)(void*));
  StopE Supervise();
  StopE FinishReading();
  void StopReaders();
  void EndAtBound();
  int Reap();

  SuRunT& run_;
  hx::ToolEndC& end_;
  CommPipeC in_, out_, err_;
  pid_t pid_ = -1;
  std::unique_ptr<hx::proc::ToolSessionsC> sessions_;
  std::vector<pthread_t> threads_;
  ClockT::time_point deadline_;
  ClockT::time_point nextLook_;
};

hx::ResultT SuProcessC::Fork(const SuLaunchT& launch) {
  // Every end starts close-on-exec; the child's ends become its standard streams through
  // dup2, which drops the flag on the copy.
  hx::ResultT rc = in_.Create(false, false);
  if (hx::Succeeded(rc)) rc = out_.Create(false, false);
  if (hx::Succeeded(rc)) rc = err_.Create(false, false);
  if (hx::Failed(rc)) return rc;
  sigset_t empty;
  sigemptyset(&empty);
  const int fds[3] = {in_.ReadFD(), out_.WriteFD(), err_.WriteFD()};
  hx::proc::IgnoreSigpipeInTracker();
  pid_ = ::fork();
  if (pid_ == 0) ExecSu(launch.path, launch.argv, launch.envp, fds, empty);
  if (pid_ < 0) return hx::RcFromErrno(errno);
  deadline_ = ClockT::now() + launch.timeLimit;
  // su's group is not handed to the tracker's stop signal: su would go at once and take the
  // way to its command's session with it. The supervision sees the stop at its next check and
  // ends everything in order (EndAtBound).
  sessions_ = std::make_unique<hx::proc::ToolSessionsC>(pid_);
  in_.CloseRead();
  out_.CloseWrite();
  err_.CloseWrite();
  // The password is written once and never waited for: a su that reads nothing must not hold
  // the prompt watcher (the pipe takes any password of sensible length at once).
  ::fcntl(in_.WriteFD(), F_SETFL, ::fcntl(in_.WriteFD(), F_GETFL) | O_NONBLOCK);
  run_.inFd = in_.WriteFD();
  run_.outFd = out_.ReadFD();
  run_.errFd = err_.ReadFD();
  return hx::RC_OK;
}

bool SuProcessC::StartThread(void* (*body)(void*)) {
  pthread_t thread;
  if (::pthread_create(&thread, nullptr, body, &run_) != 0) return false;
  threads_.push_back(thread);
  return true;
}

// Waits for su to end, closing its input once the password is in; answers the bound that
// was reached first, if any.
StopE SuProcessC::Supervise() {
  milliseconds delay = c_FirstCheckDelay;
  while (!ChildEnded(pid_)) {
    // The sessions su's descendants are in are noted while they are still its descendants:
    // one left behind when su ends is still found through its session.
    if (const auto now = ClockT::now(); now >= nextLook_) {
      sessions_->Look();
      nextLook_ = ClockT::now() + (ClockT::now() - now) * (c_LookShare - 1);
    }
    if (hx::ToolsStopped()) return StopE::TrackerStopping;
    if (run_.overLimit.load()) return StopE::OutputLimit;
    if (ClockT::now() >= deadline_) return StopE::TimeLimit;
    // Nothing to write (no password): su and its command read the end of input at once.
    if (run_.answered.load() || run_.password == nullptr) in_.CloseWrite();
    Pause(delay);
    delay = std::min(delay * 2, c_PollSlice);
  }
  return StopE::None;
}

// After su has ended: the readers go on to the end of their pipes, within the run's bounds.
StopE SuProcessC::FinishReading() {
  in_.CloseWrite();
  const size_t started = threads_.size();
  StopE stop = StopE::None;
  // Whether the readers finished in time is read from their count below.
  HX_IGNORE_RESULT(WaitUntil(deadline_, [&] {
    if (hx::ToolsStopped()) stop = StopE::TrackerStopping;
    else if (run_.overLimit.load()) stop = StopE::OutputLimit;
    return stop != StopE::None || static_cast<size_t>(run_.readersDone.load()) == started;
  }));
  if (stop == StopE::None && static_cast<size_t>(run_.readersDone.load()) != started) stop = StopE::TimeLimit;
  return stop;
}

void SuProcessC::StopReaders() {
  run_.stop.store(true);
  for (pthread_t thread : threads_) ::pthread_join(thread, nullptr);
  threads_.clear();
}

// Every process of the sessions that su and its descendants are or were in, and su's group.
// SIGKILL goes out again until none is left (a process may have forked meanwhile), for at most
// the grace of every tool.
void SuProcessC::EndAtBound() {
  // The sessions first: su may go at once, and its descendants are then no longer its own.
  sessions_->Signal(SIGTERM);
  SignalGroup(pid_, SIGTERM);
  // Whether or not they went within the grace, SIGKILL follows.
  HX_IGNORE_RESULT(
      WaitUntil(ClockT::now() + c_SessionTermGrace, [this] { return ChildEnded(pid_) && sessions_->Signal(0) == 0; }));
  // Also when they went at SIGTERM: nothing of su's group may outlive it.
  SignalGroup(pid_, SIGKILL);
  // What the system still holds after the grace is left rather than holding the run.
  HX_IGNORE_RESULT(WaitUntil(ClockT::now() + hx::c_ToolKillGrace,
                             [this] { return sessions_->Signal(SIGKILL) == 0 && ChildEnded(pid_); }));
}

// Reaps su once it has ended (a child the system still holds after SIGKILL is left, rather
// than holding the run) and turns its status into the result.
int SuProcessC::Reap() {
  const bool ended = ChildEnded(pid_);
  if (!ended) {
    end_.rc = hx::RC_PROC_SIGNALED;
    return RunBySuC::c_NotExited;
  }
  int status = 0;
  pid_t got;
  while ((got = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
  }
  if (got < 0) {
    end_.rc = hx::RcFromErrno(errno);
    return RunBySuC::c_WaitFailed;
  }
  if (!WIFEXITED(status)) {
    end_.rc = hx::RC_PROC_SIGNALED;
    end_.signal = static_cast<uint32_t>(WTERMSIG(status));
    return RunBySuC::c_NotExited;
  }
  const int code = WEXITSTATUS(status);
  return code == c_NotFoundStatus ? RunBySuC::c_CommandNotFound : code;
}

int SuProcessC::Run(const SuLaunchT& launch) {
  const hx::ResultT forked = Fork(launch);
  hx::Trace(c_TraceCategory, "Process creation result %#lx", static_cast<uint32_t>(forked));
  if (hx::Failed(forked)) {
    end_.rc = forked;
    return RunBySuC::c_NotStarted;
  }
  end_.started = true;
  int failed = 0;
  if (!StartThread(&ReadOutput)) failed = RunBySuC::c_OutputReaderFailed;
  else if (!StartThread(&WatchPrompt)) failed = RunBySuC::c_PromptWatcherFailed;
  StopE stop = failed != 0 ? StopE::None : Supervise();
  if (failed == 0 && stop == StopE::None) stop = FinishReading();
  if (failed != 0 || stop != StopE::None) {
    // What the command still writes is not wanted, and a descendant in another session may
    // hold a pipe for ever: the reading ends here.
    StopReaders();
    EndAtBound();
  }
  StopReaders();
  int result = Reap();
  if (failed != 0) {
    end_.rc = hx::RC_FAIL;
    return failed;
  }
  if (stop != StopE::None) {
    end_.stop = stop;
    end_.rc = hx::RC_PROC_SIGNALED;
    result = RunBySuC::c_NotExited;
  }
  return result;
}

}  // namespace

int RunBySuC::RunCommand(const char* user, char* password, const char* command, StringArrayC& lines,
                         const OptionsT& options, hx::ToolEndC* end) {
  SuRunT run;
  run.password = password;
  run.passwordLength = password != nullptr ? std::strlen(password) : 0;
  const milliseconds toolLimit = std::chrono::seconds(hx::GetToolTimeout());
  const milliseconds limit =
      options.timeLimit.count() > 0 && options.timeLimit < toolLimit ? options.timeLimit : toolLimit;
  hx::ToolEndC ended;
  ended.timeLimitSeconds = static_cast<long>((limit.count() + c_MillisecondsPerSecond - 1) / c_MillisecondsPerSecond);
  int result;
  if (user == nullptr || user[0] == '\0' || user[0] == '-') {
    result = c_NoUser;
  } else if (command == nullptr || command[0] == '\0') {
    result = c_NoCommand;
  } else {
    if (hx::TraceEnabled(c_TraceCategory))
      hx::Trace(c_TraceCategory, "Creating child process '%s'", SuCommandLine(user, command).ToString());
    const std::string suPath = FileService()->systemPath(c_SuPath);
    std::string args[] = {c_SuPath, user, c_CommandOption, command};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    StringArrayC environment = Environment(user, options);
    std::vector<char*> envp;
    for (StringC& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    if (hx::ToolsStopped()) {
      ended.stop = ProcessC::StopReasonE::TrackerStopping;
      ended.rc = hx::RcFromErrno(ECANCELED);
      result = c_NotStarted;
    } else if (const int err = CheckExecutable(suPath); err != 0) {
      ended.rc = hx::RcFromErrno(err);
      result = c_NotStarted;
    } else {
      SuProcessC process(run, ended);
      result = process.Run(SuLaunchT{suPath, argv, envp.data(), limit});
    }
  }
  if (password != nullptr) hx::ClearSecret(password, run.passwordLength);
  for (StringC& line : run.lines) lines.push_back(std::move(line));
  if (end != nullptr) *end = ended;
  return result;
}

std::string RunBySuC::CommandText(const CommandLineC& commandLine) {
  std::string text;
  for (const StringC& arg : commandLine.GetArgs()) {
    if (!text.empty()) text += ' ';
    if (!arg.empty() && arg.find_first_not_of(c_PlainArgumentChars) == StringC::npos) {
      text += arg;
      continue;
    }
    text += '\'';
    for (char c : arg) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    text += '\'';
  }
  return text;
}

StringArrayC RunBySuC::Environment(const char* user, const OptionsT& options) {
  const std::string name = user != nullptr ? user : "";
  return {c_FixedPath,
          "HOME=" + options.home,
          "USER=" + name,
          "LOGNAME=" + name,
          "SHELL=" + (options.shell.empty() ? std::string(c_DefaultShell) : options.shell),
          c_Locale};
}

CommandLineC RunBySuC::SuCommandLine(const char* user, const char* command) {
  return CommandLineC{c_SuPath, user != nullptr ? user : "", c_CommandOption, command != nullptr ? command : ""};
}

namespace hx {

void ClearSecret(char* data, size_t length) {
  volatile char* p = data;
  for (size_t i = 0; i < length; ++i) p[i] = '\0';
}

void ClearSecret(std::string& text) {
  ClearSecret(text.data(), text.size());
  text.clear();
}

}  // namespace hx
