// A plug-in as an administrator would install one to take over the run: it registers its own
// tracker class under the name "Tracker". Its Run notes its start and end (with the process id)
// in the file named by the preference TestTrackerMarker, waits TestTrackerSleepMs milliseconds
// in between, and, with TestTrackerDelegate, hands the run to the built-in tracker that the
// name "TrackerDefault" still names. The tests read the marker file to see whose Run ran and
// whether two runs overlapped.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/app/plugin/TestTrackerPlugin.h"
#include "tests/app/plugin/TrackerPluginModule.h"

namespace {

using hxplugin::Preference;

void Mark(const std::string& file, const std::string& what) {
  if (file.empty()) return;
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) return;
  const std::string line = what + " " + std::to_string(::getpid()) + "\n";
  (void)!::write(fd, line.data(), line.size());
  ::close(fd);
}

class TestTrackerC : public ComObjectM<ZORHXTTrackerI, IID_ZORHXTTracker> {
 public:
  static constexpr const char* c_ClassName = "TestTracker";
  static constexpr const char* c_ProgId = "Test.TestTracker.1";

  hx::ResultT Run(ZORHXContextI* context, int* exitCode) override;
  hx::ResultT PostLoadPreferences(ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackHardware(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackKeys(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackPackages(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackContents(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackContent(ZORHXTInventoryEntityI*, ZORHXContextI*, TrkResultE* result) override {
    if (result != nullptr) *result = TrkNoDecision;
    return hx::RC_OK;
  }
  hx::ResultT GenerateInventory(ZORHXTInventoryI*, const char*, ZORHXContextI*) override { return hx::RC_NOT_IMPL; }
  hx::ResultT UploadInventory(const char*, ZORHXContextI*) override { return hx::RC_NOT_IMPL; }
  hx::ResultT SetOuter(ZORHXTTrackerI*) override { return hx::RC_OK; }
  hx::ResultT Register(ComRegistryI*) override { return hx::RC_OK; }
};

hxplugin::TrackerModuleM<TestTrackerC> s_Module(CLSID_TestTracker);

hx::ResultT TestTrackerC::Run(ZORHXContextI* context, int* exitCode) {
  const std::string marker = Preference(context, c_TestTrackerMarker);
  Mark(marker, c_TestTrackerStart);
  const long sleepMs = std::atol(Preference(context, c_TestTrackerSleepMs).c_str());
  if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  hx::ResultT r = hx::RC_OK;
  ZORHXTTrackerI* builtIn = nullptr;
  if (Preference(context, c_TestTrackerDelegate) == "True") {
    r = s_Module.NewDefaultTracker(&builtIn);
    if (r >= 0) r = builtIn->Run(context, exitCode);
    if (builtIn != nullptr) builtIn->Release();
  } else if (exitCode != nullptr) {
    *exitCode = 0;
  }
  Mark(marker, c_TestTrackerEnd);
  return r;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleInitialize(ComRegistryI* registry) {
  return s_Module.Initialize(registry);
}

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleFinalize(ComRegistryI* registry) {
  return s_Module.Finalize(registry);
}
