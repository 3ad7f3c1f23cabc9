#pragma once
// HWClass_Linux: the base of the providers written for Linux. They read what
// the kernel and the system publish (procfs, sysfs, /etc, the kernel's address
// list), never the human output of a tool where the kernel gives the data,
// through the machine tree (MachineTree.h), so that a captured machine under
// the system root is inventoried exactly as the live host.
//
// These providers live in the module libhxlinux.so, loaded from the plug-in
// directory; they use the program's own log, preferences and hardware framework
// (the module links none of them a second time) and register themselves through
// the component registry (LinuxModule.cpp).
//
// Values that only root may read (the serial numbers of the firmware tables,
// other users' executables, ...) are left out of a run by an ordinary user;
// each provider names what it left out with NeedsRoot, and the run logs them
// all in one line when the module is unloaded.

#include <string>

#include "hardware/framework/HWClass_Unix.h"
#include "hardware/linux/MachineTree.h"

class HWClass_Linux : public HWClass_Unix {
 public:
  // The tree of the machine being inventoried.
  static const hxlinux::MachineTreeC& Tree() { return hxlinux::MachineTreeC::Machine(); }

  // Notes that `what` (in a few words: "the product's serial number") could not
  // be read for want of root. Nothing is noted when the process runs as root.
  static void NeedsRoot(const std::string& what);
  // What was noted, in the order first noted, joined by ", "; and forgetting
  // it.
  static std::string TakeRootNotes();

 protected:
  ~HWClass_Linux() override = default;
};
