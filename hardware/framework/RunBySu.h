#pragma once
// RunBySuC: runs one command under another user's account through /bin/su, answering su's
// password prompt, and collects the command's output lines.
//
// su is started in a session of its own (no controlling terminal, so it asks on its standard
// streams), with three pipes for its standard input, output and error. One thread reads the
// output into lines; another watches the error stream for the prompt and writes the password
// to su's input once. su run by root never asks, which is normal. The password travels only
// through that pipe: it is in no argument, no environment and no file, and the caller's buffer
// is cleared before RunCommand returns.
//
// The command gets an environment of its own, none of the tracker's: su started without "-"
// hands its environment on, and the tracker's own (root's PATH, the agent's settings) must not
// reach programs that the account controls.
//
// The run has the bounds of every tool: a time limit (ToolTimeout, or less when the caller
// asks), the output cap, and the tracker's stop (seen within a tenth of a second). su runs its command in a session of its own,
// beyond the reach of a signal to su's group, so at a bound every process of su's session and
// of the sessions of its descendants (hx::proc::ToolSessionsC, which also keeps the sessions
// seen while su ran) gets SIGTERM and, a moment later, SIGKILL; the reading stops at once
// instead of waiting for an end of file that a descendant of the command may withhold.

#include <chrono>
#include <cstddef>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/process/CommandLine.h"
#include "foundation/process/RunCommand.h"

class RunBySuC {
 public:
  // Results of RunCommand other than the command's exit status (0 for success).
  static constexpr int c_NoUser = -1;
  static constexpr int c_NoCommand = -2;
  static constexpr int c_NotStarted = -3;
  static constexpr int c_OutputReaderFailed = -4;
  static constexpr int c_PromptWatcherFailed = -5;
  static constexpr int c_CommandNotFound = -6;  // su (or the shell it ran) exited with 127
  static constexpr int c_NotExited = -7;        // killed by a signal, also when ended at a bound
  static constexpr int c_WaitFailed = -8;

  // The program, mapped under the system root like every fixed path.
  static constexpr const char* c_SuPath = "/bin/su";
  // A line of output ends at a line feed or after this many bytes.
  static constexpr size_t c_MaxLine = 1024;

  // The account the command runs under and how long su may run.
  struct OptionsT {
    StringC home;   // the account's home directory
    StringC shell;  // its login shell ("": /bin/sh)
    std::chrono::milliseconds timeLimit{0};  // 0, or more than ToolTimeout: ToolTimeout
  };

  // Runs `command` (one text, which su hands to the user's shell) as `user` and appends the
  // lines it printed, also when it failed. The result is the exit status, or one of the
  // codes above; a user that is empty or begins with "-" (su would take it for an option) is
  // c_NoUser. `password` (may be null: nothing is written) is written at su's prompt and then
  // overwritten with zeros. `end`, when given, tells how su ended, for hx::LogToolFailure.
  HX_NODISCARD static int RunCommand(const char* user, char* password, const char* command, StringArrayC& lines,
                        const OptionsT& options, hx::ToolEndC* end = nullptr);

  // su's whole environment, which it hands on to the command: PATH (a fixed system path), HOME
  // and SHELL of the account, USER and LOGNAME its name, LANG=C.
  static StringArrayC Environment(const char* user, const OptionsT& options);
  // The command line as one text for su: the arguments joined by blanks, each one that holds
  // anything but letters, digits and "/._-+=:,@%" put in single quotes.
  static std::string CommandText(const CommandLineC& commandLine);
  // su's own command line as the log and the trace show it (it never holds the password).
  static CommandLineC SuCommandLine(const char* user, const char* command);
};

namespace hx {

// Overwrites a secret with zeros in a way the compiler may not leave out.
void ClearSecret(char* data, size_t length);
void ClearSecret(std::string& text);

}  // namespace hx
