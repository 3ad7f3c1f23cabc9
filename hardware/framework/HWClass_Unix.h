#pragma once
// HWClass_Unix: the base of every hardware class provider of this program. It is a counted
// component (every reference also keeps the component server loaded) that answers IUnknown
// and IID_TVKHWClass, and gives providers the utilities they share: running a tool and
// reading its lines, turning fixed-size system buffers into text, and reading the
// month/day/year dates that firmware tables print.
//
// A provider derives from it, implements GetInventory and usually overrides PopulateInstance,
// which fills one instance's properties; the class, instance name and evidence are set when
// the instance is made.

#include <chrono>

#include "foundation/com/ComObject.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/process/CommandLine.h"
#include "hardware/framework/HWClassI.h"
#include "hardware/framework/RunBySu.h"

class HWClass_Unix : public ComObjectM<HWClassI, IID_TVKHWClass> {
 public:
  // The hardware class names the providers are written for.
  static constexpr const char* c_TVK_BIOS = "TVK_BIOS";
  static constexpr const char* c_TVK_ComputerSystem = "TVK_ComputerSystem";
  static constexpr const char* c_TVK_ComputerSystemProduct = "TVK_ComputerSystemProduct";
  static constexpr const char* c_TVK_CDROMDrive = "TVK_CDROMDrive";
  static constexpr const char* c_TVK_DiskDrive = "TVK_DiskDrive";
  static constexpr const char* c_TVK_LogicalDisk = "TVK_LogicalDisk";
  static constexpr const char* c_TVK_NetworkAdapter = "TVK_NetworkAdapter";
  static constexpr const char* c_TVK_NetworkAdapterConfiguration = "TVK_NetworkAdapterConfiguration";
  static constexpr const char* c_TVK_OperatingSystem = "TVK_OperatingSystem";
  static constexpr const char* c_TVK_PhysicalMemory = "TVK_PhysicalMemory";
  static constexpr const char* c_TVK_Processor = "TVK_Processor";
  static constexpr const char* c_TVK_SystemEnclosure = "TVK_SystemEnclosure";
  static constexpr const char* c_TVK_VideoController = "TVK_VideoController";
  static constexpr const char* c_TVK_IBM_DB2 = "TVK_IBM_DB2";
  static constexpr const char* c_TVK_Process = "TVK_Process";

  // Property names shared by several providers.
  static constexpr const char* c_Property = "Property";
  static constexpr const char* c_Name = "Name";
  static constexpr const char* c_Value = "Value";
  static constexpr const char* c_Evidence = "Evidence";
  static constexpr const char* c_Description = "Description";
  static constexpr const char* c_Caption = "Caption";
  static constexpr const char* c_Version = "Version";
  static constexpr const char* c_DeviceID = "DeviceID";
  static constexpr const char* c_LogicalDeviceID = "LogicalDeviceID";
  static constexpr const char* c_CurrentClockSpeed = "CurrentClockSpeed";
  static constexpr const char* c_MaxClockSpeed = "MaxClockSpeed";
  static constexpr const char* c_NumberOfCores = "NumberOfCores";
  static constexpr const char* c_NumberOfProcessors = "NumberOfProcessors";
  static constexpr const char* c_NumberOfLogicalProcessors = "NumberOfLogicalProcessors";

  // The encodings of the system buffers that ToStringCN reads.
  enum EncodingE { Latin1, Utf8, System8 };

  HWClass_Unix() = default;

  // Fills the properties of one instance. This one puts "Name" = the instance name; an
  // override usually calls it first. A result code.
  HX_NODISCARD virtual hx::ResultT PopulateInstance(RefM<HWInstance> instance);

  // Runs a tool and captures its output lines: exit status 0 appends the lines and gives 0,
  // another exit status gives 1 (hx::c_CommandExitedNonZero) and no lines, and a failure of
  // the command runner (the tool could not be started, was ended at a limit, ...) is logged
  // with the command line and passed through. `timeLimit`, when not 0, replaces ToolTimeout.
  HX_NODISCARD hx::ResultT RunCommand(const CommandLineC& commandLine, StringArrayC& lines,
                         std::chrono::milliseconds timeLimit = std::chrono::milliseconds{0});

  // Runs a tool as another user through su (RunBySuC), answering su's password prompt with
  // `password`, and appends the lines it printed, also when it failed. The command line is
  // handed to su as one text, with the tool's path as it is on the machine. 0 for success,
  // else the tool's exit status or one of RunBySuC's codes; a run that su could not start or
  // that was ended at a bound is logged with su's command line (which never holds the
  // password). The copy of the password made here is cleared before returning. `options`: the
  // account's home and shell, which make the tool's environment, and su's time limit.
  HX_NODISCARD hx::ResultT RunCommandImpersonate(const CommandLineC& commandLine, StringArrayC& lines, const StringC& user,
                                    const StringC& password, const RunBySuC::OptionsT& options);

  // At most `length` bytes of `text`, up to a zero byte, converted from `encoding` to UTF-8
  // and trimmed of white space at both ends. A null text gives "".
  static StringC ToStringCN(const char* text, unsigned length, EncodingE encoding);

  // A firmware date "month/day/year[ anything]" as the local ISO date-time text of that day at
  // midnight, without a zone ("19991231T000000"). Two-digit years up to 70 are 20xx, 71 to 99
  // 19xx. Anything else (no three fields, month or day out of range) gives "".
  static StringC ToIsoDateTime(const StringC& text);

 protected:
  ~HWClass_Unix() override = default;

  // The common shape of a provider with one instance: makes it (empty evidence),
  // PopulateInstance, appends it also when populating failed. The result of PopulateInstance.
  HX_NODISCARD hx::ResultT AddSingleInstance(HWInstanceListT& instances, const StringC& className, const StringC& name);
  // The same instance without adding it, for providers that put it elsewhere in the list.
  static RefM<HWInstance> MakeInstance(const StringC& className, const StringC& name);
};
