#include "foundation/process/RunCommand.h"

#include "foundation/core/Format.h"
#include "foundation/log/LogManager.h"

namespace hx {

namespace {

constexpr ProcessC::MillisecondsC c_WaitInterval{1000};
constexpr int c_LogLetter = 'G';
constexpr int c_LogNumber = 0;
constexpr long c_MillisecondsPerSecond = 1000;

// Create, Wait and the exit code after the redirects gave `rc`: the first failure, else 0.
ResultT Run(ProcessC& process, ResultT rc, uint32_t& exitCode, ToolEndC* end) {
  if (Succeeded(rc)) rc = process.Create();
  const bool started = Succeeded(rc);
  if (Succeeded(rc)) rc = process.Wait(nullptr, nullptr, c_WaitInterval);
  if (Succeeded(rc)) rc = process.GetExitCode(&exitCode);
  if (end != nullptr) {
    end->rc = rc;
    end->started = started;
    end->stop = process.GetStopReason();
    if (rc == RC_PROC_SIGNALED) process.GetExitCode(&end->signal);
    end->timeLimitSeconds = static_cast<long>((process.GetTimeLimit().count() + c_MillisecondsPerSecond - 1) /
                                              c_MillisecondsPerSecond);
  }
  return rc;
}

}  // namespace

ResultT RunCommandLines(const CommandLineC& commandLine, StringArrayC& lines, ToolEndC* end,
                        ProcessC::MillisecondsC timeLimit) {
  ProcessC process;
  process.SetCommandLine(commandLine);
  process.SetTimeLimit(timeLimit);
  MemoryOutputStreamC output(MemoryOutputStreamC::c_DefaultCapacity);
  ResultT rc = process.StdIn().Redirect(&process.StdIn().NullDevice());
  if (Succeeded(rc)) rc = process.StdOut().Redirect(&output);
  if (Succeeded(rc)) rc = process.StdErr().Redirect(&process.StdErr().NullDevice());
  uint32_t exitCode = 0;
  rc = Run(process, rc, exitCode, end);
  if (Failed(rc)) return rc;
  if (exitCode != 0) return c_CommandExitedNonZero;
  for (std::string& line : SplitLines(output.GetData())) lines.push_back(std::move(line));
  return RC_OK;
}

ResultT RunPackageTool(const CommandLineC& commandLine, uint32_t& exitCode, OutputStreamC* out,
                       OutputStreamC* err, ToolEndC* end) {
  exitCode = c_ExitCodeUnknown;
  ProcessC process;
  process.SetCommandLine(commandLine);
  process.SetEnvironment({"LANG=C", "LC_ALL=C"}, true);
  ResultT rc = process.StdIn().Redirect(&process.StdIn().NullDevice());
  if (Succeeded(rc) && out != nullptr) rc = process.StdOut().Redirect(out);
  if (Succeeded(rc) && err != nullptr) rc = process.StdErr().Redirect(err);
  return Run(process, rc, exitCode, end);
}

std::string DescribeToolEnd(const ToolEndC& end) {
  using StopE = ProcessC::StopReasonE;
  switch (end.stop) {
    case StopE::TimeLimit: return Format("was ended at its time limit of %1$ld seconds", end.timeLimitSeconds);
    case StopE::OutputLimit: return "was ended at its output limit";
    case StopE::TrackerStopping:
      return end.started ? "was ended: the tracker is stopping" : "was not started: the tracker is stopping";
    case StopE::None: break;
  }
  if (!end.started) return Format("could not be started: error %1$#x", static_cast<uint32_t>(end.rc));
  if (end.rc == RC_PROC_SIGNALED) return Format("was killed by signal %1$u", end.signal);
  return Format("failed: error %1$#x", static_cast<uint32_t>(end.rc));
}

void LogToolFailure(const CommandLineC& commandLine, const ToolEndC& end) {
  if (Succeeded(end.rc)) return;
  Log(c_LogLetter, c_LogNumber, LOG_TOOL_FAILED, TXT_TOOL_FAILED, commandLine.ToString(), DescribeToolEnd(end));
}

}  // namespace hx
