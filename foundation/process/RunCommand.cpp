#include "foundation/process/RunCommand.h"

#include "foundation/process/Process.h"

namespace hx {

namespace {
constexpr ProcessC::MillisecondsC c_WaitInterval{1000};
}

ResultT RunCommandLines(const CommandLineC& commandLine, StringArrayC& lines) {
  ProcessC process;
  process.SetCommandLine(commandLine);
  MemoryOutputStreamC output(MemoryOutputStreamC::c_DefaultCapacity);
  ResultT rc = process.StdIn().Redirect(&process.StdIn().NullDevice());
  if (Succeeded(rc)) rc = process.StdOut().Redirect(&output);
  if (Succeeded(rc)) rc = process.StdErr().Redirect(&process.StdErr().NullDevice());
  if (Succeeded(rc)) rc = process.Create();
  if (Succeeded(rc)) rc = process.Wait(nullptr, nullptr, c_WaitInterval);
  uint32_t exitCode = 0;
  if (Succeeded(rc)) rc = process.GetExitCode(&exitCode);
  if (Failed(rc)) return rc;
  if (exitCode != 0) return c_CommandExitedNonZero;
  for (std::string& line : SplitLines(output.GetData())) lines.push_back(std::move(line));
  return RC_OK;
}

ResultT RunPackageTool(const CommandLineC& commandLine, uint32_t& exitCode, OutputStreamC* out,
                       OutputStreamC* err) {
  exitCode = c_ExitCodeUnknown;
  ProcessC process;
  process.SetCommandLine(commandLine);
  process.SetEnvironment({"LANG=C", "LC_ALL=C"}, true);
  ResultT rc = process.StdIn().Redirect(&process.StdIn().NullDevice());
  if (Succeeded(rc) && out != nullptr) rc = process.StdOut().Redirect(out);
  if (Succeeded(rc) && err != nullptr) rc = process.StdErr().Redirect(err);
  if (Succeeded(rc)) rc = process.Create();
  if (Succeeded(rc)) rc = process.Wait(nullptr, nullptr, c_WaitInterval);
  if (Succeeded(rc)) rc = process.GetExitCode(&exitCode);
  return rc;
}

}  // namespace hx
