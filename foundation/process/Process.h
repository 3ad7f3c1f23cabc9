#pragma once
// ProcessC: one external program run as a child process, with its standard streams pointed at
// the tracker's descriptors, at files or (output and error) at in-memory streams. Plain fork and
// exec, no shell: the arguments reach the program as they are.
//
// Use: configure (command line, redirects, environment, working directory, signal mask), then
// Create() once, Wait() to drain the output and reap the child, GetExitCode(), destroy. The
// runner is synchronous and used from one thread at a time.
//
// Every tool is bounded: it runs as the leader of a process group of its own, and Wait ends
// that group when the tool outlives its time limit (the process-wide ToolTimeout unless set
// here), when a stream refuses more of its output (RC_PROC_OUTPUT_LIMIT), or when the tracker
// is being stopped (hx::StopTools): SIGTERM to the group, SIGKILL after c_ToolKillGrace, no
// more reading (a descendant holding a pipe open cannot keep Wait waiting), the tool reaped,
// and Wait answers RC_PROC_SIGNALED.

#include <chrono>
#include <cstdint>
#include <memory>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/process/CommandLine.h"
#include "foundation/process/OutputStream.h"
#include "foundation/process/StdIODesc.h"
#include "foundation/process/ToolLimits.h"

namespace hx {

// Result codes of process handling.
constexpr ResultT RC_PROC_NO_CHILD = ToResult(MSGSET_PROCESS | 0x0001u);  // no child was started
constexpr ResultT RC_PROC_RUNNING = ToResult(MSGSET_PROCESS | 0x0002u);   // still running (or stopped)
constexpr ResultT RC_PROC_SIGNALED = ToResult(MSGSET_PROCESS | 0x0003u);  // killed by a signal

}  // namespace hx

class ProcessC {
 public:
  using StdIODescC = hx::proc::StdIODescC;
  using StdInDescC = hx::proc::StdInDescC;
  using StdOutDescC = hx::proc::StdOutDescC;
  using StdErrDescC = hx::proc::StdErrDescC;
  using MillisecondsC = std::chrono::milliseconds;
  // Called while Wait runs, at most once per interval: true to go on, false to have the child
  // terminated (Wait still drains its output and reaps it).
  using WaitCallbackT = bool (*)(ProcessC* process, void* context);
  // Why Wait ended the tool instead of letting it finish.
  enum class StopReasonE { None, TimeLimit, OutputLimit, TrackerStopping };

  // Bits of the signal-ignore mask: bit n-1 stands for signal n of the tracker's portable
  // numbering (mapped to the host's own signals when the child starts).
  static constexpr uint32_t SIGHUP_MASK = 0x1;
  static constexpr uint32_t SIGINT_MASK = 0x2;
  static constexpr uint32_t SIGQUIT_MASK = 0x4;
  static constexpr uint32_t SIGPIPE_MASK = 0x1000;
  static constexpr uint32_t SIGTERM_MASK = 0x4000;
  static constexpr uint32_t SIGTSTP_MASK = 0x800000;

  ProcessC();
  // Closes what the redirects opened; never signals nor reaps the child.
  ~ProcessC();
  ProcessC(const ProcessC&) = delete;
  ProcessC& operator=(const ProcessC&) = delete;

  void SetCommandLine(const CommandLineC& commandLine) { commandLine_ = commandLine; }
  const CommandLineC& GetCommandLine() const { return commandLine_; }
  // Keeps a copy; null clears (the child then inherits the tracker's working directory).
  void SetWorkingDirectory(const FileNameC* dir);
  // merge true: the "name=value" strings are set on top of the inherited environment; false:
  // they are the child's whole environment. The tracker's own environment never changes.
  void SetEnvironment(const StringArrayC& env, bool merge);
  void SetSignalIgnore(uint32_t mask) { signalIgnore_ = mask; }
  // How long the tool may run, counted from Create; 0 or less: the process-wide ToolTimeout.
  void SetTimeLimit(MillisecondsC limit);
  MillisecondsC GetTimeLimit() const { return timeLimit_; }
  StopReasonE GetStopReason() const { return stop_; }

  void SetHandle(long handle) { handle_ = handle; }
  long GetHandle() const { return handle_; }
  HX_NODISCARD hx::ResultT SetProcessId(long pid) {
    handle_ = pid;
    return hx::RC_OK;
  }
  HX_NODISCARD hx::ResultT GetProcessId(long* pid) const;

  StdInDescC& StdIn() { return in_; }
  StdOutDescC& StdOut() { return out_; }
  StdErrDescC& StdErr() { return err_; }
  // The child receives these descriptors as its input, output and error (-1: the default).
  HX_NODISCARD hx::ResultT RedirectStdIO(int in, int out, int err);
  // The child's streams go to these files (null: unchanged); stops at the first failure.
  HX_NODISCARD hx::ResultT RedirectStdIO(const FileNameC* in, const FileNameC* out, const FileNameC* err);

  // Starts the child. A program that cannot be executed is reported here (0xE0000000 | errno),
  // with the child already reaped.
  HX_NODISCARD hx::ResultT Create();
  // Copies the child's output into the redirect streams until every pipe is closed (by the child
  // and any descendant holding it), then reaps the child. RC_PROC_SIGNALED when it ended the
  // tool at a limit (GetStopReason says which).
  HX_NODISCARD hx::ResultT Wait(WaitCallbackT callback, void* context, MillisecondsC interval);
  // The exit status (0-255) and 0, or the terminating signal and RC_PROC_SIGNALED.
  HX_NODISCARD hx::ResultT GetExitCode(uint32_t* code);
  // The same; stores nothing on failures other than RC_PROC_SIGNALED.
  HX_NODISCARD hx::ResultT GetExitCode(int32_t* code);

  HX_NODISCARD hx::ResultT Suspend();
  HX_NODISCARD hx::ResultT Resume();
  HX_NODISCARD hx::ResultT Terminate();
  // Priorities are not supported.
  HX_NODISCARD hx::ResultT GetPriority(int* priority) const;
  HX_NODISCARD hx::ResultT SetPriority(int priority);

 private:
  using ClockT = std::chrono::steady_clock;

  HX_NODISCARD hx::ResultT StartChild();
  HX_NODISCARD hx::ResultT ReadStartStatus(int statusFd);
  // Collects the child's final status once: 0 when collected (now or before), RC_PROC_RUNNING
  // while it runs (only without block), or the wait error.
  HX_NODISCARD hx::ResultT CollectStatus(bool block);
  HX_NODISCARD hx::ResultT Reap(WaitCallbackT callback, void* context, MillisecondsC interval, ClockT::time_point& last);
  void CheckCallback(WaitCallbackT callback, void* context, MillisecondsC interval, ClockT::time_point& last);
  // Notes a reached time limit or a stop of the tracker; true when the tool must be ended.
  bool LimitReached();
  HX_NODISCARD hx::ResultT EndAtLimit();
  // Whether the child has ended, without reaping it (its id stays reserved for the group).
  bool ChildEnded();
  void SignalGroup(int sig);
  void ForgetGroup();
  HX_NODISCARD hx::ResultT SendSignal(int sig);
  bool HasChild() const { return handle_ > 0; }
  bool StatusCollected() const { return waitStatus_ != c_NotCollected; }
  bool HasOpenPipe() const { return out_.GetParentFDToChild() >= 0 || err_.GetParentFDToChild() >= 0; }

  static constexpr int c_NotCollected = -1;

  CommandLineC commandLine_;
  std::unique_ptr<FileNameC> workDir_;
  long handle_ = -1;
  std::unique_ptr<StringArrayC> env_;
  bool mergeEnv_ = false;
  uint32_t signalIgnore_ = 0;
  MillisecondsC timeLimit_;
  ClockT::time_point started_;
  StopReasonE stop_ = StopReasonE::None;
  bool groupTracked_ = false;
  StdInDescC in_;
  StdOutDescC out_;
  StdErrDescC err_;
  int waitStatus_ = c_NotCollected;
};
