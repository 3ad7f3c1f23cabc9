#include "foundation/process/Process.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>

#include "foundation/core/Nodiscard.h"
#include "foundation/process/ChildLaunch.h"
#include "foundation/process/CommPipe.h"
#include "foundation/process/Descriptor.h"
#include "foundation/trace/Tracer.h"
#include "foundation/trace/TraceFlags.h"

namespace {

using std::chrono::milliseconds;

constexpr const char* c_TraceCategory = "Communication/Process";
// How long Create waits for the child to report a failed exec. A successful exec answers at
// once (end of file), so this bounds only a child stuck before exec.
constexpr milliseconds c_StartStatusTimeout{5000};
// One poll of the output pipes; also the longest delay before a callback is due or a limit
// is noticed.
constexpr milliseconds c_PollInterval{100};
// Checks for a child's end: quick at first, slower for a child that takes its time.
constexpr milliseconds c_ReapFirstDelay{1};
constexpr milliseconds c_ReapMaxDelay{100};

HX_NODISCARD int PollRetry(pollfd* fds, nfds_t count, milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (true) {
    const auto left = std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
    const int ready = ::poll(fds, count, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready >= 0 || errno != EINTR) return ready;
  }
}

void SleepFor(milliseconds delay) {
  timespec want{static_cast<time_t>(delay.count() / 1000), static_cast<long>((delay.count() % 1000) * 1000000)};
  timespec left{};
  while (::nanosleep(&want, &left) != 0 && errno == EINTR) want = left;
}

// Checks `done` until it holds or the deadline passes; false when the deadline passed first.
template <typename DoneT>
HX_NODISCARD bool WaitUntil(std::chrono::steady_clock::time_point deadline, DoneT done) {
  milliseconds delay = c_ReapFirstDelay;
  while (!done()) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    SleepFor(std::min(delay, left));
    delay = std::min(delay * 2, c_ReapMaxDelay);
  }
  return true;
}

}  // namespace

ProcessC::ProcessC() : timeLimit_(std::chrono::seconds(hx::GetToolTimeout())) {}

ProcessC::~ProcessC() {
  ForgetGroup();
  // The working directory and the environment go first, then the stream descriptors (error,
  // output, input: the reverse of their declaration) and last the command line.
  workDir_.reset();
  env_.reset();
}

void ProcessC::SetTimeLimit(MillisecondsC limit) {
  timeLimit_ = limit.count() > 0 ? limit : MillisecondsC(std::chrono::seconds(hx::GetToolTimeout()));
}

void ProcessC::SetWorkingDirectory(const FileNameC* dir) {
  workDir_ = dir ? std::make_unique<FileNameC>(*dir) : nullptr;
}

void ProcessC::SetEnvironment(const StringArrayC& env, bool merge) {
  env_ = std::make_unique<StringArrayC>(env);
  mergeEnv_ = merge;
}

hx::ResultT ProcessC::GetProcessId(long* pid) const {
  if (pid == nullptr) return hx::RC_NULL_OUT;
  *pid = 0;
  if (!HasChild()) return hx::RC_FAIL;
  *pid = handle_;
  return hx::RC_OK;
}

hx::ResultT ProcessC::RedirectStdIO(int in, int out, int err) {
  hx::ResultT rc = in_.Redirect(in);
  if (hx::Succeeded(rc)) rc = out_.Redirect(out);
  if (hx::Succeeded(rc)) rc = err_.Redirect(err);
  return rc;
}

hx::ResultT ProcessC::RedirectStdIO(const FileNameC* in, const FileNameC* out, const FileNameC* err) {
  hx::ResultT rc = in_.Redirect(in);
  if (hx::Succeeded(rc)) rc = out_.Redirect(out);
  if (hx::Succeeded(rc)) rc = err_.Redirect(err);
  return rc;
}

hx::ResultT ProcessC::Create() {
  if (commandLine_.IsEmpty()) return hx::RC_INVALID_ARG;
  if (hx::TraceEnabled(c_TraceCategory)) {
    hx::Trace(c_TraceCategory, "Creating child process '%s'", commandLine_.ToString());
  }
  const hx::ResultT rc = StartChild();
  hx::Trace(c_TraceCategory, "Process creation result %#lx", static_cast<uint32_t>(rc));
  return rc;
}

hx::ResultT ProcessC::StartChild() {
  // A tracker that is being stopped starts nothing more: the run is about to end anyway.
  if (hx::ToolsStopped()) {
    stop_ = StopReasonE::TrackerStopping;
    return hx::RcFromErrno(ECANCELED);
  }
  hx::proc::IgnoreSigpipeInTracker();
  hx::proc::ChildLaunchC launch(commandLine_);
  launch.SetEnvironment(env_.get(), mergeEnv_);
  launch.SetWorkingDirectory(workDir_.get());
  launch.SetSignalIgnore(signalIgnore_);
  launch.ResolveProgram();

  // The status pipe tells a failed exec from a successful one: the child writes its error
  // number to it, and a successful exec closes it through close-on-exec.
  CommPipeC status;
  hx::ResultT rc = status.Create(false, false);
  if (hx::Failed(rc)) return rc;
  const int streams[3] = {in_, out_, err_};
  const pid_t pid = ::fork();
  if (pid == 0) launch.ExecInChild(streams, status.WriteFD());
  if (pid < 0) return hx::RcFromErrno(errno);

  // The child makes itself the leader of a new process group as well; whichever of the two
  // runs first, the group exists before anyone may signal it. (Once the child has executed
  // the program this call fails, harmlessly.)
  ::setpgid(pid, pid);
  started_ = ClockT::now();
  handle_ = pid;
  waitStatus_ = c_NotCollected;
  stop_ = StopReasonE::None;
  hx::proc::TrackToolGroup(pid);
  groupTracked_ = true;
  in_.CloseInheritedFD();
  out_.CloseInheritedFD();
  err_.CloseInheritedFD();
  status.CloseWrite();
  const hx::ResultT started = ReadStartStatus(status.ReadFD());
  // The program alone: what a tool is asked lives in its arguments, which the category trace
  // shows to whoever wants it.
  hx::TrkTrace('T', 0, "Tool %1$s: process %2$ld, 0x%3$08X\n", commandLine_[0], static_cast<long>(pid),
               static_cast<uint32_t>(started));
  return started;
}

hx::ResultT ProcessC::ReadStartStatus(int statusFd) {
  pollfd pfd{statusFd, POLLIN, 0};
  if (PollRetry(&pfd, 1, c_StartStatusTimeout) <= 0) return hx::RC_OK;
  int childErrno = 0;
  if (hx::ReadRetry(statusFd, &childErrno, sizeof childErrno) != static_cast<ssize_t>(sizeof childErrno)) {
    return hx::RC_OK;  // end of file: the exec succeeded
  }
  // The child exits right after reporting, so waiting for it blocks only for a moment; the
  // caller gets a failed start with nothing left behind.
  HX_IGNORE_RESULT(CollectStatus(true));  // only reaps it: the start's failure is the answer
  return childErrno == 0 ? hx::RC_OK : hx::RcFromErrno(childErrno);
}

hx::ResultT ProcessC::Wait(WaitCallbackT callback, void* context, MillisecondsC interval) {
  if (!HasChild()) return hx::RC_PROC_NO_CHILD;
  ClockT::time_point last = ClockT::now();
  hx::ResultT copyRc = hx::RC_OK;
  StdOutDescC* const descs[2] = {&out_, &err_};
  while (HasOpenPipe() && !LimitReached()) {
    // A closed pipe is passed as -1, which poll skips.
    pollfd fds[2] = {{out_.GetParentFDToChild(), POLLIN, 0}, {err_.GetParentFDToChild(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, static_cast<int>(c_PollInterval.count()));
    if (ready < 0 && errno != EINTR) break;
    for (int i = 0; ready > 0 && i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const hx::ResultT rc = descs[i]->CopyFDToStream();
      // A stream that takes no more ends the tool. Any other lost byte must not go unnoticed:
      // the first copy failure is Wait's result once the child has been reaped.
      if (rc == hx::RC_PROC_OUTPUT_LIMIT) {
        stop_ = StopReasonE::OutputLimit;
      } else if (hx::Failed(rc) && hx::Succeeded(copyRc)) {
        copyRc = rc;
      }
    }
    CheckCallback(callback, context, interval, last);
  }
  if (stop_ != StopReasonE::None) return EndAtLimit();
  const hx::ResultT rc = Reap(callback, context, interval, last);
  return hx::Failed(rc) ? rc : copyRc;
}

hx::ResultT ProcessC::Reap(WaitCallbackT callback, void* context, MillisecondsC interval, ClockT::time_point& last) {
  // The child has usually exited by the time its pipes close, so the first checks come quickly
  // and the pace slows down only for a child that outlives its output.
  milliseconds delay = c_ReapFirstDelay;
  while (true) {
    const hx::ResultT rc = CollectStatus(false);
    if (rc != hx::RC_PROC_RUNNING) return rc;
    CheckCallback(callback, context, interval, last);
    if (LimitReached()) return EndAtLimit();
    SleepFor(delay);
    delay = std::min(delay * 2, c_ReapMaxDelay);
  }
}

void ProcessC::CheckCallback(WaitCallbackT callback, void* context, MillisecondsC interval, ClockT::time_point& last) {
  if (callback == nullptr) return;
  const ClockT::time_point now = ClockT::now();
  if (now - last < interval) return;
  last = now;
  // A child gone already is reaped by the wait; one that outlives the signal meets the time limit.
  if (!callback(this, context)) HX_IGNORE_RESULT(Terminate());
}

bool ProcessC::LimitReached() {
  if (stop_ == StopReasonE::None) {
    if (hx::ToolsStopped()) stop_ = StopReasonE::TrackerStopping;
    else if (ClockT::now() - started_ >= timeLimit_) stop_ = StopReasonE::TimeLimit;
  }
  return stop_ != StopReasonE::None;
}

hx::ResultT ProcessC::EndAtLimit() {
  SignalGroup(SIGTERM);
  // What the tool still writes is not wanted, and a descendant that left its group may hold a
  // pipe open for ever: the reading ends here.
  out_.ClosePipe();
  err_.ClosePipe();
  // Whether or not it went within the grace, SIGKILL follows.
  HX_IGNORE_RESULT(WaitUntil(ClockT::now() + hx::c_ToolKillGrace, [this] { return ChildEnded(); }));
  // Also when the tool went at SIGTERM: a descendant of its group that ignores SIGTERM must
  // not outlive it.
  SignalGroup(SIGKILL);
  // SIGKILL ends the child at once unless the system holds it inside a call; a child held
  // beyond the grace is left unreaped rather than holding the run.
  HX_IGNORE_RESULT(WaitUntil(ClockT::now() + hx::c_ToolKillGrace, [this] { return CollectStatus(false) != hx::RC_PROC_RUNNING; }));
  return hx::RC_PROC_SIGNALED;
}

bool ProcessC::ChildEnded() {
  if (StatusCollected()) return true;
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(handle_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return errno != EINTR;
  return info.si_pid != 0;
}

void ProcessC::SignalGroup(int sig) {
  // Once reaped, the group's id may belong to someone else: it is never signalled again.
  if (!HasChild() || StatusCollected()) return;
  const pid_t pid = static_cast<pid_t>(handle_);
  if (::kill(-pid, sig) != 0) ::kill(pid, sig);
}

void ProcessC::ForgetGroup() {
  if (!groupTracked_) return;
  hx::proc::ForgetToolGroup(handle_);
  groupTracked_ = false;
}

hx::ResultT ProcessC::CollectStatus(bool block) {
  while (!StatusCollected()) {
    // First learn that the child has ended without reaping it: its group leaves the stop table
    // while its id is still reserved. Stopped and continued states are not asked for.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(handle_), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG)) != 0) {
      if (errno == EINTR) continue;
      return hx::RcFromErrno(errno);
    }
    if (info.si_pid == 0) return hx::RC_PROC_RUNNING;
    ForgetGroup();
    int status = 0;
    pid_t got;
    while ((got = ::waitpid(static_cast<pid_t>(handle_), &status, 0)) < 0 && errno == EINTR) {
    }
    if (got < 0) return hx::RcFromErrno(errno);
    waitStatus_ = status;
    hx::TrkTrace('T', 1, "Tool process %1$ld ended: wait status 0x%2$04X after %3$ld ms\n", static_cast<long>(got),
                 static_cast<unsigned>(status),
                 static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(ClockT::now() - started_).count()));
  }
  return hx::RC_OK;
}

hx::ResultT ProcessC::GetExitCode(uint32_t* code) {
  if (code == nullptr) return hx::RC_NULL_OUT;
  *code = 0;
  if (!HasChild()) return hx::RC_PROC_NO_CHILD;
  const hx::ResultT rc = CollectStatus(false);
  if (rc != hx::RC_OK) return rc;
  if (WIFEXITED(waitStatus_)) {
    *code = static_cast<uint32_t>(WEXITSTATUS(waitStatus_));
    return hx::RC_OK;
  }
  *code = static_cast<uint32_t>(WTERMSIG(waitStatus_));
  return hx::RC_PROC_SIGNALED;
}

hx::ResultT ProcessC::GetExitCode(int32_t* code) {
  if (code == nullptr) return hx::RC_NULL_OUT;
  uint32_t value = 0;
  const hx::ResultT rc = GetExitCode(&value);
  if (hx::Failed(rc) && rc != hx::RC_PROC_SIGNALED) return rc;
  *code = static_cast<int32_t>(value);
  return rc;
}

hx::ResultT ProcessC::SendSignal(int sig) {
  // Without a live child there is nobody to signal: kill() with 0 or -1 would reach the whole
  // process group or every process, and a reaped child's id may already belong to another.
  if (!HasChild() || StatusCollected()) return hx::RcFromErrno(ESRCH);
  return ::kill(static_cast<pid_t>(handle_), sig) == 0 ? hx::RC_OK : hx::RcFromErrno(errno);
}

hx::ResultT ProcessC::Suspend() { return SendSignal(SIGSTOP); }
hx::ResultT ProcessC::Resume() { return SendSignal(SIGCONT); }
hx::ResultT ProcessC::Terminate() { return SendSignal(SIGTERM); }

hx::ResultT ProcessC::GetPriority(int* priority) const {
  if (priority != nullptr) *priority = 0;
  return hx::RC_NOT_IMPL;
}

hx::ResultT ProcessC::SetPriority(int /*priority*/) { return hx::RC_NOT_IMPL; }
