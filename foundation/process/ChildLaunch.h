#pragma once
// ChildLaunchC: everything a child process needs between fork and exec, prepared in the parent.
// After fork only async-signal-safe calls are allowed in the child (another thread of the
// tracker may have held the allocator's lock at the moment of the fork), so the argument and
// environment arrays, the program path and the signal list are all built before the fork and
// the child only rearranges descriptors, signals and the working directory, then executes.

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/core/FileName.h"
#include "foundation/core/Text.h"
#include "foundation/process/CommandLine.h"

namespace hx::proc {

class ChildLaunchC {
 public:
  // The descriptor on which the child reports a failed start (its error number, 4 bytes); it
  // carries close-on-exec, so a successful exec closes it and the parent reads end of file.
  static constexpr int c_StatusFd = 3;
  // Every descriptor from this one up is closed in the child.
  static constexpr int c_FirstClosedFd = 4;

  explicit ChildLaunchC(const CommandLineC& commandLine);

  // env null: the child inherits the tracker's environment. merge: the "name=value" strings
  // are set on top of it (strings without a name before '=' are skipped); otherwise they are
  // the child's whole environment.
  void SetEnvironment(const StringArrayC* env, bool merge);
  void SetWorkingDirectory(const FileNameC* dir);
  // mask: bit n-1 asks for signal n (in the tracker's portable numbering) to be ignored.
  void SetSignalIgnore(uint32_t mask);
  // Decides which file the child executes; call after SetEnvironment (the PATH searched is the
  // child's). See the definition for the system-root rules.
  void ResolveProgram();

  // The program the child will execute: a path, or a bare name that exec searches on the PATH.
  const std::string& ExecPath() const { return execPath_; }
  bool SearchesPath() const { return searchPath_; }
  // Error number already known to make the start fail (a program not found under the root).
  int PresetError() const { return presetError_; }

  // Runs in the child: streamFds are what the child receives as 0, 1 and 2, statusFd the write
  // end of the status pipe. Never returns.
  [[noreturn]] void ExecInChild(const int streamFds[3], int statusFd) const;

 private:
  std::string EffectivePath() const;
  void CloseFrom(int first) const;
  [[noreturn]] static void Fail(int statusFd, int err);

  std::vector<std::string> argStore_;
  std::vector<char*> argv_;
  bool hasEnv_ = false;
  std::vector<std::string> envStore_;
  std::vector<char*> envp_;
  bool hasWorkDir_ = false;
  std::string workDir_;
  std::vector<int> ignoreSignals_;
  bool restoreSigpipe_ = false;
  sigset_t emptyMask_;
  long fdLimit_ = 0;
  std::string execPath_;
  bool searchPath_ = false;
  int presetError_ = 0;
};

// The tracker ignores SIGPIPE (once, and only when it is at its default): the runner hands a
// child's bytes to caller-supplied streams, which may write to a pipe or socket whose reader
// has gone, and the tracker must see EPIPE there instead of dying. Children get SIGPIPE back
// at its default unless they ask for it to be ignored.
void IgnoreSigpipeInTracker();

}  // namespace hx::proc
