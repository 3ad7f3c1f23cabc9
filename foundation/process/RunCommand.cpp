#include "foundation/process/RunCommand.h"

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/log/LogManager.h"

namespace hx {

namespace {

constexpr ProcessC::MillisecondsC c_WaitInterval{1000};
constexpr int c_LogLetter = 'G';
constexpr int c_LogNumber = 0;
constexpr long c_MillisecondsPerSecond = 1000;

// Wait and the exit code of a started process (or the failure `rc` of its start): the first
// failure, else 0; `end` receives how the tool ended.
HX_NODISCARD ResultT Finish(ProcessC& process, ResultT rc, bool started, uint32_t& exitCode, ToolEndC* end) {
  if (Succeeded(rc)) rc = process.Wait(nullptr, nullptr, c_WaitInterval);
  if (Succeeded(rc)) rc = process.GetExitCode(&exitCode);
  if (end != nullptr) {
    end->rc = rc;
    end->started = started;
    end->stop = process.GetStopReason();
    if (rc == RC_PROC_SIGNALED) HX_IGNORE_RESULT(process.GetExitCode(&end->signal));  // 0 when it has none
    end->timeLimitSeconds = static_cast<long>((process.GetTimeLimit().count() + c_MillisecondsPerSecond - 1) /
                                              c_MillisecondsPerSecond);
  }
  return rc;
}

// Create, Wait and the exit code after the redirects gave `rc`: the first failure, else 0.
HX_NODISCARD ResultT Run(ProcessC& process, ResultT rc, uint32_t& exitCode, ToolEndC* end) {
  if (Succeeded(rc)) rc = process.Create();
  return Finish(process, rc, Succeeded(rc), exitCode, end);
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

ResultT PackageToolRunC::Start(const CommandLineC& commandLine, OutputStreamC* out, OutputStreamC* err) {
  process_.SetCommandLine(commandLine);
  process_.SetEnvironment({"LANG=C", "LC_ALL=C"}, true);
  rc_ = process_.StdIn().Redirect(&process_.StdIn().NullDevice());
  if (Succeeded(rc_) && out != nullptr) rc_ = process_.StdOut().Redirect(out);
  if (Succeeded(rc_) && err != nullptr) rc_ = process_.StdErr().Redirect(err);
  if (Succeeded(rc_)) rc_ = process_.Create();
  started_ = Succeeded(rc_);
  return rc_;
}

ResultT PackageToolRunC::Finish(uint32_t& exitCode, ToolEndC* end) {
  exitCode = c_ExitCodeUnknown;
  return hx::Finish(process_, rc_, started_, exitCode, end);
}

ResultT RunPackageTool(const CommandLineC& commandLine, uint32_t& exitCode, OutputStreamC* out,
                       OutputStreamC* err, ToolEndC* end) {
  PackageToolRunC tool;
  HX_IGNORE_RESULT(tool.Start(commandLine, out, err));  // Finish answers the start's failure
  return tool.Finish(exitCode, end);
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
