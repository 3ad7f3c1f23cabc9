#pragma once
// HWClass_LinuxProcessor (provider "LinuxProcessor"): one instance per physical package
// (socket) of the kernel's processor topology, counted as the system's own processor listing
// counts them:
//
//   Name, instance name  the package's "model name" of /proc/cpuinfo; its DeviceID where
//                        cpuinfo names no model (ARM: the implementer and part are codes)
//   DeviceID             "CPU<package>" (physical_package_id)
//   Manufacturer         vendor_id ("GenuineIntel"); on ARM the implementer's name
//   Description          family, model and stepping (ARM: implementer, part, variant, revision)
//   MaxClockSpeed        MHz: cpufreq's cpuinfo_max_freq, else cpuinfo's "cpu MHz"
//   CurrentClockSpeed    MHz: cpufreq's scaling_cur_freq, else cpuinfo's "cpu MHz"
//   NumberOfCores        the package's distinct cores (core_cpus_list, thread_siblings_list or
//                        core_id of its online processors)
//   NumberOfLogicalProcessors  the package's online processors

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"

class HWClass_LinuxProcessor : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;

 protected:
  ~HWClass_LinuxProcessor() override = default;
};

HX_HW_PROVIDER_FACTORY(LinuxProcessor, "ZOR.hX.Tracker.LinuxProcessor.1")
