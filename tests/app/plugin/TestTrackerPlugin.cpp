// A plug-in as an administrator would install one to take over the run: it registers its own
// tracker class under the name "Tracker". Its Run notes its start and end (with the process id)
// in the file named by the preference TestTrackerMarker, waits TestTrackerSleepMs milliseconds
// in between, and, with TestTrackerDelegate, hands the run to the built-in tracker that the
// name "TrackerDefault" still names. The tests read the marker file to see whose Run ran and
// whether two runs overlapped.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/driver/ZORHXTTracker.h"
#include "foundation/com/ComObject.h"
#include "foundation/com/ComServer.h"
#include "tests/app/plugin/TestTrackerPlugin.h"

namespace {

ComRegistryI* s_Registry = nullptr;

std::string Preference(ZORHXContextI* context, const char* name) {
  ZORHXPreferencesI* prefs = nullptr;
  if (context == nullptr || context->QueryInterface(IID_ZORHXPreferences, reinterpret_cast<void**>(&prefs)) < 0)
    return std::string();
  char* value = nullptr;
  std::string text;
  if (prefs->GetValue(name, &value) >= 0 && value != nullptr) text = value;
  std::free(value);
  prefs->Release();
  return text;
}

void Mark(const std::string& file, const std::string& what) {
  if (file.empty()) return;
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) return;
  const std::string line = what + " " + std::to_string(::getpid()) + "\n";
  (void)!::write(fd, line.data(), line.size());
  ::close(fd);
}

// The built-in tracker's run, through the name that always names it.
hx::ResultT RunDefault(ZORHXContextI* context, int* exitCode) {
  ComNameRegistryI* names = nullptr;
  hx::ResultT r = s_Registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
  if (r < 0) return r;
  ZORHXTTrackerI* tracker = nullptr;
  std::string name = c_TestTrackerDefaultName;
  char* text = name.data();
  r = names->GetInstance(text, IID_ZORHXTTracker, reinterpret_cast<ZORUnknownI**>(&tracker));
  names->Release();
  if (r < 0) return r;
  tracker->Register(s_Registry);
  r = tracker->Run(context, exitCode);
  tracker->Release();
  return r;
}

class TestTrackerC : public ComObjectM<ZORHXTTrackerI, IID_ZORHXTTracker> {
 public:
  hx::ResultT Run(ZORHXContextI* context, int* exitCode) override {
    const std::string marker = Preference(context, c_TestTrackerMarker);
    Mark(marker, c_TestTrackerStart);
    const long sleepMs = std::atol(Preference(context, c_TestTrackerSleepMs).c_str());
    if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    hx::ResultT r = hx::RC_OK;
    if (Preference(context, c_TestTrackerDelegate) == "True") {
      r = RunDefault(context, exitCode);
    } else if (exitCode != nullptr) {
      *exitCode = 0;
    }
    Mark(marker, c_TestTrackerEnd);
    return r;
  }
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

class TestTrackerFactoryC : public ComFactoryC {
 public:
  TestTrackerFactoryC() : ComFactoryC("TestTracker", "Test.TestTracker.1") {}
  ZORUnknownI* CreateObject() override { return static_cast<ZORHXTTrackerI*>(new TestTrackerC); }
  static ComFactoryC* Clone() { return new TestTrackerFactoryC; }
};

ComObjectEntryC s_Entry(CLSID_TestTracker, &TestTrackerFactoryC::Clone);
ComObjectEntryC* s_Entries[] = {&s_Entry, nullptr};
ComServerC s_Server(s_Entries);

}  // namespace

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleInitialize(ComRegistryI* registry) {
  s_Registry = registry;  // the reference handed over is kept until the module is finalised
  s_Server.Register(registry);
  ComNameRegistryI* names = nullptr;
  hx::ResultT r = registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
  if (r >= 0) {
    std::string name = c_TestTrackerName;
    r = names->RegisterClassName(name.data(), CLSID_TestTracker);
    names->Release();
  }
  return r;
}

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleFinalize(ComRegistryI* registry) {
  s_Server.Unregister(registry);
  registry->Release();
  if (s_Registry != nullptr) s_Registry->Release();
  s_Registry = nullptr;
  return hx::RC_OK;
}
