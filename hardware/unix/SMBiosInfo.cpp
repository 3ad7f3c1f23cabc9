#include "hardware/unix/SMBiosInfo.h"

#include <cerrno>

#include "foundation/process/RunCommand.h"
#include "foundation/trace/Tracer.h"
#include "hardware/unix/SMBiosSysfs.h"
#include "hardware/unix/SystemTool.h"
#include "platform/MachineFile.h"
#include "prefs/registry/EnvUnix.h"

namespace {

constexpr const char* c_TraceCategory = "Tracker/Hardware/SMBIOS";

}  // namespace

SMBiosInfoC& SMBiosInfoC::Instance() {
  static SMBiosInfoC s_instance;
  return s_instance;
}

// The outcome is kept as available_ (and the tool's failure logged).
SMBiosInfoC::SMBiosInfoC() { HX_IGNORE_RESULT(DMIDecode()); }

RefM<SMBiosDataC> SMBiosInfoC::findDMI(int type) const {
  for (const RefM<SMBiosDataC>& record : records_) {
    if (record->GetType() == type) return record;
  }
  return RefM<SMBiosDataC>();
}

StringC SMBiosInfoC::getDMIValue(int type, const StringC& name) const {
  const RefM<SMBiosDataC> record = findDMI(type);
  return record ? record->GetValue(name) : StringC();
}

hx::ResultT SMBiosInfoC::DMIDecode() {
  const StringC candidates[] = {c_SystemTool, EnvUnixC::GetInstallDir() + c_AgentToolBelowInstallDir};
  hx::ResultT rc = hx::RC_FAIL;
  for (const StringC& candidate : candidates) {
    if (!hx::SystemToolExists(candidate)) continue;
    rc = DMIDecodeRun(candidate);
    if (rc == hx::RC_OK) break;
  }
  if (rc != hx::RC_OK) rc = DMIDecodeRun(c_PathTool);
  available_ = rc == hx::RC_OK;
  // A live host whose tool is missing or may not read the tables (it needs root) still has
  // the values its kernel publishes. A fixture machine keeps to its own tools.
  if (!available_ && !hx::MachineFromSnapshot()) records_ = hx::ReadDmiSysfs(hx::c_DmiSysfsDir);
  return rc;
}

hx::ResultT SMBiosInfoC::DMIDecodeRun(const StringC& path) {
  StringArrayC lines;
  hx::ToolEndC end;
  const CommandLineC commandLine{path};
  const hx::ResultT rc = hx::RunCommandLines(commandLine, lines, &end);
  // A machine without the tool is no failure (the other sources stand in); one that hangs or
  // is killed is.
  if (hx::ErrnoFromRc(rc) != ENOENT) hx::LogToolFailure(commandLine, end);
  hx::Trace(c_TraceCategory, "%s: result %#lx, %lu lines\n", path, static_cast<uint32_t>(rc),
            lines.size());
  if (rc != hx::RC_OK) return rc;
  records_ = hx::ParseDmiDecodeOutput(lines);
  return hx::RC_OK;
}

hx::ResultT SMBiosInfoC::Reload() {
  records_.clear();
  available_ = false;
  return DMIDecode();
}
