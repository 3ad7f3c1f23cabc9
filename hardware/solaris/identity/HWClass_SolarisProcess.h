#pragma once
// HWClass_SolarisProcess: one instance per process running on the machine, named by its
// command, with the user it runs as, as `ps -eo user,comm` lists them. A machine without ps
// has no process instances; the class never fails, which makes it a safe last class of a
// hardware step (whose result is that of its last class).

#include <utility>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class HWClass_SolarisProcess : public HWClass_Unix {
 public:
  static constexpr const char* c_PsTool = "/bin/ps";
  static constexpr const char* c_User = "User";

  // The processes of the machine, appended; always 0.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

  // (user, command) of each line of `ps -eo user,comm` output: lines split at blanks, the
  // heading (user field "USER") and lines of fewer than two fields skipped; a command with
  // blanks is its first word. Pure.
  static std::vector<std::pair<StringC, StringC>> ParsePsOutput(const StringArrayC& lines);

 protected:
  ~HWClass_SolarisProcess() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisProcess, "ZOR.hX.Tracker.SolarisProcess.1")
