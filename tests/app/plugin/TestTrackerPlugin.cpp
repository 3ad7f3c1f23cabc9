// A plug-in as an administrator would install one to take over the run: it registers its own
// tracker class under the name "Tracker". Its Run notes its start and end (with the process id)
// in the file named by the preference TestTrackerMarker, waits TestTrackerSleepMs milliseconds
// in between, and, with TestTrackerDelegate, hands the run to the built-in tracker that the
// name "TrackerDefault" still names, with itself as the outer tracker: every phase and the
// writing go back to the built-in tracker, and after the packages phase it adds the number of
// file entities the preference TestTrackerEntities names, as a machine with a big file system
// would. The tests read the marker file to see whose Run ran and whether two runs overlapped.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "foundation/com/ComObject.h"
#include "foundation/com/ComServer.h"
#include "foundation/core/Nodiscard.h"
#include "inventory/ZORHXTTracker.h"
#include "tests/app/plugin/TestTrackerPlugin.h"

namespace {

constexpr const char* c_TrackerName = "Tracker";
constexpr const char* c_DefaultTrackerName = "TrackerDefault";

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

// The module of one tracker class TrackerT (with c_ClassName and c_ProgId) under clsid.
template <typename TrackerT>
class TrackerModuleM {
 public:
  explicit TrackerModuleM(const ZORGUID& clsid) : clsid_(clsid), entry_(clsid, &FactoryC::Clone) {}

  hx::ResultT Initialize(ComRegistryI* registry) {
    registry_ = registry;  // the reference handed over is kept until the module is finalised
    hx::ResultT r = server_.Register(registry);
    ComNameRegistryI* names = nullptr;
    if (r >= 0) r = registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
    if (r >= 0) {
      std::string name = c_TrackerName;
      r = names->RegisterClassName(name.data(), clsid_);
      names->Release();
    }
    return r;
  }
  hx::ResultT Finalize(ComRegistryI* registry) {
    HX_IGNORE_RESULT(server_.Unregister(registry));  // going away either way
    registry->Release();
    if (registry_ != nullptr) registry_->Release();
    registry_ = nullptr;
    return hx::RC_OK;
  }
  // A new built-in tracker, registered with the module's registry (one reference for the caller).
  hx::ResultT NewDefaultTracker(ZORHXTTrackerI** tracker) {
    ComNameRegistryI* names = nullptr;
    hx::ResultT r = registry_->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
    if (r < 0) return r;
    std::string name = c_DefaultTrackerName;
    r = names->GetInstance(name.data(), IID_ZORHXTTracker, reinterpret_cast<ZORUnknownI**>(tracker));
    names->Release();
    if (r >= 0) (*tracker)->Register(registry_);
    return r;
  }

 private:
  struct FactoryC : ComFactoryC {
    FactoryC() : ComFactoryC(TrackerT::c_ClassName, TrackerT::c_ProgId) {}
    ZORUnknownI* CreateObject() override { return static_cast<ZORHXTTrackerI*>(new TrackerT); }
    static ComFactoryC* Clone() { return new FactoryC; }
  };

  ZORGUID clsid_;
  ComObjectEntryC entry_;
  ComObjectEntryC* entries_[2] = {&entry_, nullptr};
  ComServerC server_{entries_};
  ComRegistryI* registry_ = nullptr;
};

void Mark(const std::string& file, const std::string& what) {
  if (file.empty()) return;
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) return;
  const std::string line = what + " " + std::to_string(::getpid()) + "\n";
  (void)!::write(fd, line.data(), line.size());
  ::close(fd);
}

hx::ResultT SetAttr(ZORHXTInventoryEntityI* entity, std::string name, std::string value) {
  return entity->Add(name.data(), value.data());
}

// One file: its content entity with the instance below it, linked last below root.
hx::ResultT AddFile(ZORHXTInventoryEntityI* root, long i) {
  std::string content = "Content", instance = "Instance";
  ZORHXTInventoryEntityI* file = nullptr;
  ZORHXTInventoryEntityI* where = nullptr;
  hx::ResultT r = root->CreateEntity(content.data(), &file);
  if (r >= 0) r = root->CreateEntity(instance.data(), &where);
  char md5[33];
  const unsigned long long a = static_cast<unsigned long long>(i) * 0x9E3779B97F4A7C15ull;
  std::snprintf(md5, sizeof md5, "%016llx%016llx", a, ~a * 0xC2B2AE3D27D4EB4Full);
  if (r >= 0) r = SetAttr(file, "MD5", md5);
  if (r >= 0) r = SetAttr(file, "Size", std::to_string(4096 + i * 37));
  if (r >= 0) r = SetAttr(where, "Path", "/opt/bulk" + std::to_string(i / 1000) + "/lib" + std::to_string(i) + ".so");
  if (r >= 0) r = SetAttr(where, "DateTime", "2025-11-20 08:15:00");
  if (r >= 0) r = file->AddEntity(where);
  if (r >= 0) r = root->AddEntity(file);
  if (where != nullptr) where->Release();
  if (file != nullptr) file->Release();
  return r;
}

class TestTrackerC : public ComObjectM<ZORHXTTrackerI, IID_ZORHXTTracker> {
 public:
  static constexpr const char* c_ClassName = "TestTracker";
  static constexpr const char* c_ProgId = "Test.TestTracker.1";

  hx::ResultT Run(ZORHXContextI* context, int* exitCode) override;
  hx::ResultT PostLoadPreferences(ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackHardware(ZORHXTInventoryI* inventory, ZORHXContextI* context) override {
    return inner_->TrackHardware(inventory, context);
  }
  hx::ResultT TrackKeys(ZORHXTInventoryI* inventory, ZORHXContextI* context) override {
    return inner_->TrackKeys(inventory, context);
  }
  hx::ResultT TrackContents(ZORHXTInventoryI* inventory, ZORHXContextI* context) override {
    return inner_->TrackContents(inventory, context);
  }
  hx::ResultT TrackPackages(ZORHXTInventoryI* inventory, ZORHXContextI* context) override {
    hx::ResultT r = inner_->TrackPackages(inventory, context);
    if (r < 0) return r;
    const long count = std::atol(Preference(context, c_TestTrackerEntities).c_str());
    ZORHXTInventoryEntityI* root = nullptr;
    r = inventory->GetRootEntity(&root);
    for (long i = 0; r >= 0 && i < count; ++i) r = AddFile(root, i);
    if (root != nullptr) root->Release();
    return r;
  }
  hx::ResultT TrackContent(ZORHXTInventoryEntityI* entity, ZORHXContextI* context, TrkResultE* result) override {
    return inner_->TrackContent(entity, context, result);
  }
  hx::ResultT GenerateInventory(ZORHXTInventoryI* inventory, const char* path, ZORHXContextI* context) override {
    return inner_->GenerateInventory(inventory, path, context);
  }
  hx::ResultT UploadInventory(const char* path, ZORHXContextI* context) override {
    return inner_->UploadInventory(path, context);
  }
  hx::ResultT SetOuter(ZORHXTTrackerI*) override { return hx::RC_OK; }
  hx::ResultT Register(ComRegistryI*) override { return hx::RC_OK; }

 private:
  ZORHXTTrackerI* inner_ = nullptr;  // the built-in tracker while a delegated run lasts
};

TrackerModuleM<TestTrackerC> s_Module(CLSID_TestTracker);

hx::ResultT TestTrackerC::Run(ZORHXContextI* context, int* exitCode) {
  const std::string marker = Preference(context, c_TestTrackerMarker);
  Mark(marker, c_TestTrackerStart);
  const long sleepMs = std::atol(Preference(context, c_TestTrackerSleepMs).c_str());
  if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  hx::ResultT r = hx::RC_OK;
  if (Preference(context, c_TestTrackerDelegate) == "True") {
    r = s_Module.NewDefaultTracker(&inner_);
    if (r >= 0) {
      inner_->SetOuter(this);
      r = inner_->Run(context, exitCode);
      inner_->SetOuter(nullptr);
      inner_->Release();
      inner_ = nullptr;
    }
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
