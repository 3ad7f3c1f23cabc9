// A plug-in that makes the run's inventory large, as a machine with a big file system would:
// it registers its tracker under the name "Tracker", and its Run hands the whole run to the
// built-in tracker ("TrackerDefault") with itself as the outer tracker. Every phase and the
// writing go back to the built-in tracker; after the packages phase it adds the number of file
// entities named by the preference BulkTrackerEntities ("Content" with MD5 and Size, and an
// "Instance" child with Path and DateTime), through the inventory's component interface.

#include <cstdio>

#include "tests/app/plugin/BulkTrackerPlugin.h"
#include "tests/app/plugin/TrackerPluginModule.h"

namespace {

using hxplugin::Preference;

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

class BulkTrackerC : public ComObjectM<ZORHXTTrackerI, IID_ZORHXTTracker> {
 public:
  static constexpr const char* c_ClassName = "BulkTracker";
  static constexpr const char* c_ProgId = "Test.BulkTracker.1";

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
    const long count = std::atol(Preference(context, c_BulkTrackerEntities).c_str());
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
  ZORHXTTrackerI* inner_ = nullptr;  // the built-in tracker during Run
};

hxplugin::TrackerModuleM<BulkTrackerC> s_Module(CLSID_BulkTracker);

hx::ResultT BulkTrackerC::Run(ZORHXContextI* context, int* exitCode) {
  hx::ResultT r = s_Module.NewDefaultTracker(&inner_);
  if (r < 0) return r;
  inner_->SetOuter(this);
  r = inner_->Run(context, exitCode);
  inner_->SetOuter(nullptr);
  inner_->Release();
  inner_ = nullptr;
  return r;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleInitialize(ComRegistryI* registry) {
  return s_Module.Initialize(registry);
}

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleFinalize(ComRegistryI* registry) {
  return s_Module.Finalize(registry);
}
