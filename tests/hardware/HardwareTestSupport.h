#pragma once
// Shared by the hardware tests: a machine snapshot that stands for the host, preferences of
// the test's own, the provider classes registered with the process's component registry, and
// the Hardware elements of an inventory as text that a test compares whole.

#include "foundation/com/ComRegistry.h"
#include "foundation/com/ComServer.h"
#include "hardware/framework/HWClassI.h"
#include "hardware/framework/HWInstance.h"
#include "inventory/TrkInventory.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/store/Environment.h"
#include "support/TestSupport.h"

namespace hxhw {

// A system root whose snapshot says the machine is `sysname` (with the other uname fields),
// in force for the object's life.
class SnapshotRootC {
 public:
  explicit SnapshotRootC(const std::string& unameText) : dir_("hxhw-root") {
    dir_.Write(".snapshot/uname", unameText);
    env_.Set("TARVOSKSYSROOT", dir_.Path().c_str());
  }
  const hxtest::TempDirC& Dir() const { return dir_; }

  static std::string Solaris(const std::string& nodename = "kestrel.ops.example.net") {
    return "sysname=SunOS\nnodename=" + nodename + "\nrelease=5.10\nversion=Generic_147148-26\nmachine=i86pc\n";
  }

 private:
  hxtest::TempDirC dir_;
  hxtest::ScopedEnvC env_;
};

// A machine root (TARVOSKSYSROOT) for fake tools, each of which notes its tag in a log as it
// starts, with a PATH of the test's own.
class FakeMachineC {
 public:
  explicit FakeMachineC(const char* path) {
    env_.Set("PATH", path);
    Reset();
  }
  // Starts over with an empty machine.
  void Reset() {
    root_ = std::make_unique<hxtest::TempDirC>("hxhw-machine");
    env_.Set("TARVOSKSYSROOT", root_->Path().c_str());
  }
  const hxtest::TempDirC& Root() const { return *root_; }
  // A tool at the absolute path inside the machine that logs `tag` and then runs `body`.
  void Tool(const std::string& path, const std::string& tag, const std::string& body) const {
    const std::string file = root_->Write(path.substr(1), "#!/bin/sh\necho " + tag + " >> '" + Log() + "'\n" + body + "\n");
    ::chmod(file.c_str(), 0755);
  }
  // The tags of the tools that ran, one a line.
  std::string Ran() const { return hxtest::ReadFile(Log()); }
  void ClearRan() const { std::remove(Log().c_str()); }

 private:
  std::string Log() const { return root_->File("tools.log"); }

  hxtest::ScopedEnvC env_;
  std::unique_ptr<hxtest::TempDirC> root_;
};

// An environment of the test's own as the process's current one, so that the preference
// objects providers make for a call read these values.
class ScopedPrefsC {
 public:
  ScopedPrefsC() : prefs_(&env_) { prefs_.SetCurrent(); }
  ~ScopedPrefsC() { env_EnvironmentC::SetCurrent(nullptr); }
  ScopedPrefsC(const ScopedPrefsC&) = delete;
  ScopedPrefsC& operator=(const ScopedPrefsC&) = delete;

  ScopedPrefsC& Set(const char* name, const std::string& value) {
    prefs_.AddValue(StringC(name), value, 1);
    return *this;
  }

 private:
  env_EnvironmentC env_;
  EnvPreferencesC prefs_;
};

// Provider classes registered by identifier and by name for the object's life.
class ProviderRegistrationC {
 public:
  explicit ProviderRegistrationC(std::vector<ComObjectEntryC*> entries) : entries_(std::move(entries)) {
    entries_.push_back(nullptr);
    server_ = std::make_unique<ComServerC>(entries_.data());
    ComRegistryI* registry = ComRegistryC::Instance();
    EXPECT_EQ(server_->Register(registry), hx::RC_OK);
    registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names_));
    for (ComObjectEntryC* e : entries_) {
      if (e == nullptr || e->GetFactory() == nullptr) continue;
      StringC name = e->GetFactory()->GetClassName();
      names_->RegisterClassName(name.data(), e->GetCLSID());
      registered_.push_back(name);
    }
  }
  ~ProviderRegistrationC() {
    for (StringC& name : registered_) names_->UnRegisterClassName(name.data());
    names_->Release();
    EXPECT_EQ(server_->Unregister(ComRegistryC::Instance()), hx::RC_OK);
  }
  ProviderRegistrationC(const ProviderRegistrationC&) = delete;
  ProviderRegistrationC& operator=(const ProviderRegistrationC&) = delete;

 private:
  std::vector<ComObjectEntryC*> entries_;
  std::unique_ptr<ComServerC> server_;
  ComNameRegistryI* names_ = nullptr;
  std::vector<StringC> registered_;
};

// A provider as the hardware step holds it: made by its factory, one reference, seen through
// its own class when ProviderT names it.
template <typename FactoryT, typename ProviderT = HWClassI>
class ProviderC {
 public:
  ProviderC() {
    FactoryT factory;
    factory.CreateInstance(nullptr, IID_TVKHWClass, reinterpret_cast<void**>(&p_));
  }
  ~ProviderC() {
    if (p_ != nullptr) p_->Release();
  }
  ProviderC(const ProviderC&) = delete;
  ProviderC& operator=(const ProviderC&) = delete;
  ProviderT* operator->() const { return static_cast<ProviderT*>(p_); }

 private:
  HWClassI* p_ = nullptr;
};

// The Hardware children of the root, one line "Class|Name|Evidence" each, followed by one line
// "  Name=Value" per property in document order.
inline std::string HardwareText(TrkInventoryEntityC* root) {
  std::string text;
  for (TrkInventoryEntityC* c = root->GetFirstChild(); c != nullptr; c = c->GetNext()) {
    if (c->getTag() != "Hardware") continue;
    text += c->GetAttribute("Class") + "|" + c->GetAttribute("Name") + "|" + c->GetAttribute("Evidence") + "\n";
    for (TrkInventoryEntityC* p = c->GetFirstChild(); p != nullptr; p = p->GetNext())
      text += "  " + p->GetAttribute("Name") + "=" + p->GetAttribute("Value") + "\n";
  }
  return text;
}

// The instances of a list in the same form, the properties sorted.
inline std::string InstancesText(const HWInstanceListT& instances) {
  std::string text;
  for (const RefM<HWInstance>& i : instances) {
    text += i->GetClassName() + "|" + i->GetName() + "|" + i->GetEvidence() + "\n";
    for (const StringC& name : i->GetProperties().SortedNames())
      text += "  " + name + "=" + i->GetProperty(name) + "\n";
  }
  return text;
}

}  // namespace hxhw
