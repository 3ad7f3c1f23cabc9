#pragma once
// TrkUnixTrackerC: the run driver on Unix. It supplies the phases of a run and registers the
// hardware provider classes. Each phase does its progress, log and status-list steps around
// the work of another subsystem (the hardware providers, the external agent, the file scan,
// the package listers); those bodies are the protected Track* steps below, which the hardware,
// software and package subsystems fill in.

#include <vector>

#include "app/driver/TrkTracker.h"
#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"

class TrkUnixTrackerC : public TrkTrackerC {
 public:
  // The nice value of a run with LowProfile.
  static constexpr int c_LowProfileNice = 10;

  TrkUnixTrackerC();

  // With LowProfile, lowers the process priority first.
  hx::ResultT Run(ZORHXContextI* context, int* exitCode) override;
  // The generic registration, the hardware provider classes (by identifier and by name),
  // then the generic registration again. The classes stay registered while the tracker lives.
  hx::ResultT Register(ComRegistryI* registry) override;

  using TrkTrackerC::TrackContents;
  using TrkTrackerC::TrackHardware;
  using TrkTrackerC::TrackKeys;
  using TrkTrackerC::TrackPackages;

 protected:
  ~TrkUnixTrackerC() override;

  HX_NODISCARD hx::ResultT TrackHardware() override;
  // No registry keys on this platform.
  HX_NODISCARD hx::ResultT TrackKeys() override;
  HX_NODISCARD hx::ResultT TrackPackages() override;
  HX_NODISCARD hx::ResultT TrackContents() override;
  // Always 1: this platform has no machine identifier of its own.
  HX_NODISCARD int GetMachineGuid(char* buffer, size_t size) override;

  // The work of the phases. Each answers a result code. The subsystems that do the work fill
  // these in; until they do, each step finds nothing and succeeds, and the phase around it
  // still reports its progress, logs its bracket lines and marks its status item.
  HX_NODISCARD virtual hx::ResultT TrackUnixHardware();      // the hardware providers
  HX_NODISCARD virtual hx::ResultT TrackExternalAgent();     // the external agent's identity
  HX_NODISCARD virtual hx::ResultT TrackNativePackages();    // the native package listers
  HX_NODISCARD virtual hx::ResultT TrackOwnPackages();       // the agent's own installed packages
  HX_NODISCARD virtual hx::ResultT TrackInstallerPackages(); // the installer product registries
  HX_NODISCARD virtual hx::ResultT TrackSoftwareFiles();     // the file-system scan

 private:
  void RegisterProviders(ComRegistryI* registry);
  void UnregisterProviders();

  HWProviderRegistrationC providers_;  // the provider table, registered with the tracker's registry
};
