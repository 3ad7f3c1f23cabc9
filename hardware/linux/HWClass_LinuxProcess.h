#pragma once
// HWClass_LinuxProcess (provider "LinuxProcess"): the programs running on the
// machine, as the processes of /proc show them, kernel threads (the kernel's
// PF_KTHREAD flag in /proc/<pid>/stat) left out.
//
// An instance is named by the process's command as the kernel keeps it
// ("comm", up to 15 bytes: what ps and top show), which every process has,
// whoever may read its executable:
//
//   User             the user it runs as (its effective uid, the "Uid:" line
//                    of /proc/<pid>/status), by its name in the machine's
//                    /etc/passwd, the number where the file has no entry
//   ExecutablePath   the target of /proc/<pid>/exe; only root may read it for
//                    another user's process (NeedsRoot)
//
// A process gives no more: no id (a delta would change with every run), no
// arguments and no environment (they carry passwords). Processes alike in all
// three values give one instance, so that how many workers a server happens
// to run does not change the inventory; the instances are sorted by name,
// user and path, never by process id or start order.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxProcess : public HWClass_Linux {
 public:
  // The processes, appended; always 0 (a machine without /proc has none).
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxProcess() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxProcess, "ZOR.hX.Tracker.LinuxProcess.1")
