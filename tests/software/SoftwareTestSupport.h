#pragma once
// The file tracking step run in this process over preferences loaded as start-up loads them
// (defaults and -o options), on a fresh inventory, with the file entities it made shown as
// one line each.

#include "foundation/core/Md5.h"
#include "inventory/TrkInventory.h"
#include "inventory/ZORHXTTracker.h"
#include "prefs/PrefsTestSupport.h"
#include "software/TrkUnixTrackSoftware.h"
#include "support/TestSupport.h"

namespace swtest {

inline std::string Md5Of(const std::string& bytes) {
  MD5C md5;
  std::string hex;
  EXPECT_EQ(md5.Update(bytes), hx::RC_OK);
  EXPECT_EQ(md5.Final(&hex), hx::RC_OK);
  return hex;
}

// An outer tracker whose content hook runs a test's function on each file entity before the
// rules look at the file (after the walk has read its status).
class HookTrackerC : public ZORHXTTrackerI {
 public:
  std::function<TrkResultE(TrkInventoryEntityC*)> hook;
  hx::ResultT TrackContent(ZORHXTInventoryEntityI* entity, ZORHXContextI*, TrkResultE* result) override {
    *result = hook ? hook(dynamic_cast<TrkInventoryEntityC*>(entity)) : TrkNoDecision;
    return hx::RC_OK;
  }
  hx::ResultT QueryInterface(const ZORGUID&, void**) override { return hx::RC_NO_INTERFACE; }
  unsigned long AddRef() override { return 1; }
  unsigned long Release() override { return 1; }
  hx::ResultT Run(ZORHXContextI*, int*) override { return hx::RC_NOT_IMPL; }
  hx::ResultT PostLoadPreferences(ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackHardware(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackKeys(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackPackages(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT TrackContents(ZORHXTInventoryI*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT GenerateInventory(ZORHXTInventoryI*, const char*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT UploadInventory(const char*, ZORHXContextI*) override { return hx::RC_OK; }
  hx::ResultT SetOuter(ZORHXTTrackerI*) override { return hx::RC_OK; }
  hx::ResultT Register(ComRegistryI*) override { return hx::RC_OK; }
};

// One Content entity as "Path|DateTime|MD5|Size", then "|Name=Value" per property and
// "|Value=<text>" when content is embedded.
inline std::string Show(TrkInventoryEntityC* content) {
  TrkInventoryEntityC* instance = content->GetFirstChild();
  std::string line = instance->GetAttribute("Path") + "|" + instance->GetAttribute("DateTime") + "|" +
                     content->GetAttribute("MD5") + "|" + content->GetAttribute("Size");
  for (TrkInventoryEntityC* c = instance->GetNext(); c != nullptr; c = c->GetNext()) {
    if (c->getTag() == "Property") line += "|" + c->GetAttribute("Name") + "=" + c->GetAttribute("Value");
    if (c->getTag() == "Value") line += "|Value=" + c->GetText();
  }
  return line;
}

// files: Show() of every Content, sorted by path
struct ScanT { hx::ResultT result = hx::RC_FAIL; std::vector<std::string> files; std::string log; };

// Loads the preferences (defaults and -o options) and runs the Unix file tracking step.
class ScanC {
 public:
  ScanT Run(const std::vector<std::string>& options, TrkSoftwareHostT host = {}, ZORHXTTrackerI* tracker = nullptr) {
    ScanT scan;
    std::vector<std::string> args;
    for (const std::string& o : options) args.insert(args.end(), {"-o", o});
    // Every run starts from the defaults and its own options, with a log of its own.
    load_.reset();
    load_ = std::make_unique<hxprefs::LoadC>("", "hxsw");
    EXPECT_EQ(load_->Load(args), hx::RC_OK);
    RefM<TrkInventoryC> inventory = TrkInventoryC::New();
    TrkUnixTrackSoftwareC step(load_->Prefs(), std::move(host));
    step.WriteInto(inventory.get());
    scan.result = step.Track(inventory.get(), tracker, nullptr);
    for (TrkInventoryEntityC* c = inventory->GetFirstChild(); c != nullptr; c = c->GetNext())
      scan.files.push_back(Show(c));
    std::sort(scan.files.begin(), scan.files.end());
    scan.log = load_->Log();
    return scan;
  }

 private:
  std::unique_ptr<hxprefs::LoadC> load_;
};

}  // namespace swtest
