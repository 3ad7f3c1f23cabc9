#pragma once
// The two ways the trackers run a tool; both block until the tool has finished.

#include <cstdint>

#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "foundation/process/CommandLine.h"
#include "foundation/process/OutputStream.h"

namespace hx {

// Runs a system utility and captures its output as text lines (without line ends). The tool
// reads nothing (input from /dev/null) and its error text is discarded. Exit status 0: the lines
// are appended to `lines` and the result is 0. Any other exit status: 1, no line added. A failure
// of the runner (the tool could not be started, was killed by a signal, ...) is returned as it is.
ResultT RunCommandLines(const CommandLineC& commandLine, StringArrayC& lines);

// The result of RunCommandLines for a tool that ran and exited with a status other than 0.
constexpr ResultT c_CommandExitedNonZero = 1;

// Runs a package tool with "LANG=C" and "LC_ALL=C" on top of the tracker's environment and input
// from /dev/null. Its output and error go to the given streams, or to the tracker's own when a
// stream is null. exitCode is 0xFFFFFFFF until the tool's status is known; then it is the exit
// status (or the terminating signal). The result is the first failure, else 0: the caller judges
// the exit code.
ResultT RunPackageTool(const CommandLineC& commandLine, uint32_t& exitCode, OutputStreamC* out,
                       OutputStreamC* err);

constexpr uint32_t c_ExitCodeUnknown = 0xFFFFFFFFu;

}  // namespace hx
