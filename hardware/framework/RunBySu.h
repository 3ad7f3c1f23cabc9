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
// The run has the bounds of every tool: the process-wide ToolTimeout, the output cap, and the
// tracker's stop. At a bound su's process group gets SIGTERM (su passes it on to the command,
// which it runs in a session of its own), SIGKILL after the grace, and the reading stops at
// once instead of waiting for an end of file that a descendant of the command may withhold.

#include <cstddef>
#include <string>

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

  // Runs `command` (one text, which su hands to the user's shell) as `user` and appends the
  // lines it printed, also when it failed. The result is the exit status, or one of the
  // codes above; a user that is empty or begins with "-" (su would take it for an option) is
  // c_NoUser. `password` (may be null: nothing is written) is written at su's prompt and then
  // overwritten with zeros. `end`, when given, tells how su ended, for hx::LogToolFailure.
  static int RunCommand(const char* user, char* password, const char* command, StringArrayC& lines,
                        hx::ToolEndC* end = nullptr);

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
