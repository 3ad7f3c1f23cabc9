#include "hardware/solaris/identity/HWClass_SolarisProcess.h"

#include "hardware/unix/SystemTool.h"

namespace {

constexpr const char* c_PsOptions = "-eo";
constexpr const char* c_PsColumns = "user,comm";
constexpr const char* c_Heading = "USER";

}  // namespace

hx::ResultT HWClass_SolarisProcess::GetInventory(HWInstanceListT& instances, StringC className,
                                                 const PropertyMap& /*parameters*/) {
  if (!hx::SystemToolExists(c_PsTool)) return hx::RC_OK;
  StringArrayC lines;
  if (RunCommand(CommandLineC{c_PsTool, c_PsOptions, c_PsColumns}, lines) != hx::RC_OK) return hx::RC_OK;
  for (const auto& [user, command] : ParsePsOutput(lines)) {
    // A process is a command and its user; it has no "Name" of its own.
    RefM<HWInstance> instance = MakeInstance(className, command);
    instance->AddProperty(c_User, user);
    instances.push_back(instance);
  }
  return hx::RC_OK;
}

std::vector<std::pair<StringC, StringC>> HWClass_SolarisProcess::ParsePsOutput(const StringArrayC& lines) {
  std::vector<std::pair<StringC, StringC>> processes;
  for (const StringC& line : lines) {
    const StringArrayC fields = hx::SplitBlanks(line);
    if (fields.size() < 2 || fields[0] == c_Heading) continue;
    processes.emplace_back(fields[0], fields[1]);
  }
  return processes;
}
