#pragma once
// The two ways the trackers run a tool; both block until the tool has finished or the runner
// has ended it at a limit. The runner itself logs nothing: a caller whose tool failed logs it
// with LogToolFailure, so that the log names the command and what happened to it.

#include <cstdint>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/process/CommandLine.h"
#include "foundation/process/OutputStream.h"
#include "foundation/process/Process.h"

namespace hx {

// How a tool run by one of the patterns below ended.
struct ToolEndC {
  ResultT rc = RC_OK;  // the pattern's result
  bool started = false;  // the tool was started (its redirects made and its program executed)
  ProcessC::StopReasonE stop = ProcessC::StopReasonE::None;
  uint32_t signal = 0;        // the signal that ended the tool, when rc is RC_PROC_SIGNALED
  long timeLimitSeconds = 0;  // the limit the tool ran under
};

// Runs a system utility and captures its output as text lines (without line ends). The tool
// reads nothing (input from /dev/null) and its error text is discarded. Exit status 0: the lines
// are appended to `lines` and the result is 0. Any other exit status: 1, no line added. A failure
// of the runner (the tool could not be started, was killed by a signal, was ended at a limit,
// ...) is returned as it is. `end`, when given, receives how the tool ended. `timeLimit`, when
// not 0, replaces ToolTimeout for this tool (a step bounded as a whole gives the time it has left).
HX_NODISCARD ResultT RunCommandLines(const CommandLineC& commandLine, StringArrayC& lines, ToolEndC* end = nullptr,
                        ProcessC::MillisecondsC timeLimit = ProcessC::MillisecondsC{0});

// The result of RunCommandLines for a tool that ran and exited with a status other than 0.
constexpr ResultT c_CommandExitedNonZero = 1;

// Runs a package tool with "LANG=C" and "LC_ALL=C" on top of the tracker's environment and input
// from /dev/null. Its output and error go to the given streams, or to the tracker's own when a
// stream is null. exitCode is 0xFFFFFFFF until the tool's status is known; then it is the exit
// status (or the terminating signal). The result is the first failure, else 0: the caller judges
// the exit code. `end`, when given, receives how the tool ended.
HX_NODISCARD ResultT RunPackageTool(const CommandLineC& commandLine, uint32_t& exitCode, OutputStreamC* out,
                       OutputStreamC* err, ToolEndC* end = nullptr);

constexpr uint32_t c_ExitCodeUnknown = 0xFFFFFFFFu;

// A package tool started on one thread and finished on another. Starting a child copies the
// process environment, which the hardware step changes while it runs: a tool run ahead is
// started where the environment is known to be still (before the step) and drained and reaped
// on a thread of its own. The streams must live until Finish has returned.
class PackageToolRunC {
 public:
  // Starts the tool as RunPackageTool does; the start's failure, else 0.
  HX_NODISCARD ResultT Start(const CommandLineC& commandLine, OutputStreamC* out, OutputStreamC* err);
  // Waits for it and answers as RunPackageTool does (a failed start's failure included).
  HX_NODISCARD ResultT Finish(uint32_t& exitCode, ToolEndC* end = nullptr);

 private:
  ProcessC process_;
  ResultT rc_ = RC_OK;
  bool started_ = false;
};

// The log line of a tool the runner failed on (message 0xE0BD0071, an error): its command line
// and what happened. Nothing is logged for a tool that ran to its end, whatever its exit status.
void LogToolFailure(const CommandLineC& commandLine, const ToolEndC& end);
// What happened to the tool, as that log line says it.
std::string DescribeToolEnd(const ToolEndC& end);

constexpr ResultT LOG_TOOL_FAILED = ToResult(MSGSET_TRACKER | 0x0071u);
constexpr const char* TXT_TOOL_FAILED = "\x01\x01" "e\x01" "ERROR: Command '%1$s' %2$s";

}  // namespace hx
