// The hardware step: the class list from the configuration, providers created by name, the
// shared instance list and the Hardware elements it becomes.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HardwareMessages.h"
#include "hardware/framework/TrkTrackUnixHardware.h"
#include "hardware/framework/ZORHXTCIMProvider.h"
#include "hardware/unix/HWClass_UnixComputerSystem.h"
#include "hardware/unix/HWClass_UnixComputerSystemFixup.h"
#include "prefs/PrefsTestSupport.h"
#include "hardware/HardwareTestSupport.h"

namespace {

constexpr ZORGUID CLSID_TestEmitter = {0x5A11E001, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr ZORGUID CLSID_TestBare = {0x5A11E002, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr ZORGUID CLSID_TestCim = {0x5A11E003, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};

const std::string c_ListKey = "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\";

// A provider driven by its class key: "instances" lists instance names (one per comma),
// "<instance>.<property>" gives a property, "evidence" the evidence of all of them and "result"
// the result code. It notes what it was given and the LC_ALL it ran under, and changes LC_ALL
// and PATH, as a provider that puts tool directories on the PATH does.
class TestEmitterC : public HWClass_Unix {
 public:
  static constexpr const char* c_Name = "TestEmitter";
  static std::vector<PropertyMap> s_Parameters;
  static std::vector<std::string> s_LcAll;

  hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override {
    s_Parameters.push_back(parameters);
    const char* lcAll = std::getenv("LC_ALL");
    s_LcAll.push_back(lcAll != nullptr ? lcAll : "(unset)");
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    ::setenv("PATH", ("/provider/bin:" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "")).c_str(), 1);
    for (const StringC& name : hx::Split(parameters.get("instances"), ',', true)) {
      RefM<HWInstance> instance(new HWInstance(className, name, parameters.get("evidence")));
      for (const auto& [key, value] : parameters) {
        if (hx::StartsWith(key, name + ".")) instance->AddProperty(key.substr(name.size() + 1), value);
      }
      instances.push_back(instance);
    }
    int64_t result = 0;
    HX_IGNORE_RESULT(hx::ParseInt64(parameters.get("result"), result));  // none given: 0
    return static_cast<hx::ResultT>(result);
  }
};
std::vector<PropertyMap> TestEmitterC::s_Parameters;
std::vector<std::string> TestEmitterC::s_LcAll;

// A component that is no provider of either kind.
class TestBareC : public ComObjectM<ZORUnknownI, IID_IUnknown> {
 public:
  static constexpr const char* c_Name = "TestBare";
};

// A provider of the alternative kind: writes one element itself.
class TestCimC : public ComObjectM<ZORHXTCIMProviderI, IID_ZORHXTCIMProvider> {
 public:
  static constexpr const char* c_Name = "TestCim";
  hx::ResultT SetClassName(ZORStringC className) override {
    className_ = StringC(className);
    return hx::RC_OK;
  }
  hx::ResultT Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* /*tracker*/, ZORHXContextI* /*context*/) override {
    // An outside component sees only the inventory's interfaces.
    ZORHXTInventoryEntityI* root = nullptr;
    ZORHXTInventoryEntityI* element = nullptr;
    if (hx::Failed(inventory->GetRootEntity(&root))) return hx::RC_FAIL;
    std::string texts[] = {"Hardware", "Class", className_, "Name", "cim", "Evidence", "External Tool"};
    hx::ResultT r = root->CreateEntity(texts[0].data(), &element);
    for (int i = 1; i < 7 && hx::Succeeded(r); i += 2) r = element->Add(texts[i].data(), texts[i + 1].data());
    if (hx::Succeeded(r)) r = root->AddEntity(element);
    if (element != nullptr) element->Release();
    root->Release();
    return r;
  }

 private:
  StringC className_;
};

// The factories, under the provider names the configurations below use.
template <typename ObjectT, typename FaceT>
struct FactoryM : ComFactoryC {
  FactoryM() : ComFactoryC(ObjectT::c_Name, "") {}
  ZORUnknownI* CreateObject() override { return static_cast<FaceT*>(new ObjectT); }
  static ComFactoryC* Clone() { return new FactoryM; }
};

// What one hardware step did.
struct StepT { hx::ResultT result = hx::RC_OK; std::string hardware, log; };  // hardware: as HardwareText shows it

// One hardware step on a Solaris snapshot whose configuration is `ini` (class keys below the
// SunOS class list), with the test providers and the computer system providers registered.
class HardwareStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestEmitterC::s_Parameters.clear();
    TestEmitterC::s_LcAll.clear();
  }

  StepT Run(const std::string& ini) {
    hxprefs::LoadC load(ini, "hxhw");
    hxhw::SnapshotRootC root(hxhw::SnapshotRootC::Solaris());
    EXPECT_EQ(load.Load({"-o", "UserName=joe"}), hx::RC_OK);
    ComObjectEntryC emitter(CLSID_TestEmitter, &FactoryM<TestEmitterC, HWClassI>::Clone);
    ComObjectEntryC bare(CLSID_TestBare, &FactoryM<TestBareC, ZORUnknownI>::Clone);
    ComObjectEntryC cim(CLSID_TestCim, &FactoryM<TestCimC, ZORHXTCIMProviderI>::Clone);
    ComObjectEntryC computer(CLSID_UnixComputerSystem, &TrkTrackUnixComputerSystemFactoryC::Clone);
    ComObjectEntryC fixup(CLSID_UnixComputerSystemFixup, &TrkTrackUnixComputerSystemFixupFactoryC::Clone);
    StepT step;
    {
      hxhw::ProviderRegistrationC providers({&emitter, &bare, &cim, &computer, &fixup});
      RefM<TrkInventoryC> inventory = TrkInventoryC::New();
      TrkTrackUnixHardwareC hardware;
      hardware.WriteInto(inventory.get());
      step.result = hardware.Track(static_cast<ZORHXTInventoryI*>(inventory.get()), nullptr, nullptr);
      step.hardware = hxhw::HardwareText(inventory.get());
    }
    step.log = load.Log();
    return step;
  }
};

std::string ClassKey(const std::string& className, const std::string& body) {
  return c_ListKey + className + "]\n" + body;
}

using hxtest::Contains;

}  // namespace

// How class keys name their providers: a class without one is skipped silently, one that
// cannot be loaded is logged. A failing class does not stop the loop; the step answers the
// result of the last class that ran and writes what was collected either way.
TEST_F(HardwareStepTest, ClassKeysProvidersAndTheResultOfTheStep) {
  const std::string emitA = ClassKey("TVK_A", "provider=TestEmitter\ninstances=a\n");
  const char* const loadedA = "Loaded TestEmitter provider for TVK_A class";
  const char* const loadedOne = "Loaded TestEmitter provider for TVK_Thing class";
  struct CaseT { std::string ini; hx::ResultT result; const char* hardware; const char* logged; };  // null: no line
  const CaseT cases[] = {
      {ClassKey("TVK_Thing", "x=1\n"), hx::RC_OK, "", nullptr},
      {ClassKey("TVK_Thing", "provider=\n"), hx::RC_OK, "", nullptr},
      {ClassKey("TVK_Thing", "provider=TestEmitter\ninstances=one\n"), hx::RC_OK, "TVK_Thing|one|OS API\n", loadedOne},
      {ClassKey("TVK_Thing", "PROVIDER=TestEmitter\ninstances=one\n"), hx::RC_OK, "TVK_Thing|one|OS API\n", loadedOne},
      {ClassKey("TVK_Thing", "provider=tESTeMITTER\ninstances=one\n"), hx::RC_OK, "TVK_Thing|one|OS API\n",
       "Loaded tESTeMITTER provider for TVK_Thing class"},
      {ClassKey("TVK_Thing", "provider=NoSuchProvider\n"), hx::RC_OK, "",
       "Failed to load NoSuchProvider provider for TVK_Thing class: error 0x80000005"},
      // A provider of the alternative kind writes its element itself.
      {ClassKey("TVK_Thing", "provider=TestCim\n"), hx::RC_OK, "TVK_Thing|cim|External Tool\n",
       "Loaded TestCim provider for TVK_Thing class"},
      // Properties sorted, empty ones left out, the evidence as the provider gives it.
      {ClassKey("TVK_A", "provider=TestEmitter\ninstances=a\na.zeta=z\na.DeviceID=d\na.Empty=\na.Caption=c\na.alpha=x\n") +
           ClassKey("TVK_Tool", "provider=TestEmitter\ninstances=t\nevidence=External Tool\nt.Name=t\n"),
       hx::RC_OK, "TVK_A|a|OS API\n  Caption=c\n  DeviceID=d\n  alpha=x\n  zeta=z\nTVK_Tool|t|External Tool\n  Name=t\n",
       loadedA},
      {ClassKey("TVK_A", "provider=TestEmitter\ninstances=a\nresult=-2147483647\n") +
           ClassKey("TVK_B", "provider=TestEmitter\ninstances=b\n"),
       hx::RC_OK, "TVK_A|a|OS API\nTVK_B|b|OS API\n", loadedA},
      {emitA + ClassKey("TVK_B", "provider=TestBare\n"), hx::RC_NO_INTERFACE, "TVK_A|a|OS API\n", loadedA},
      {emitA + ClassKey("TVK_B", "provider=NoSuchProvider\n"), hx::RC_OK, "TVK_A|a|OS API\n", loadedA},
      {ClassKey("TVK_A", "provider=TestEmitter\nresult=-2147483647\n"), hx::RC_FAIL, "", loadedA},
      // No class list for this system: a warning and no hardware.
      {"[Tarvosk\\Tracker\\CurrentVersion\\Linux\\Hardware\\TVK_A]\nprovider=TestEmitter\ninstances=a\n", hx::RC_OK, "",
       "WARNING: Registry key 'Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware' "
       "could not be opened"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.ini);
    const StepT step = Run(c.ini);
    EXPECT_EQ(step.result, c.result);
    EXPECT_EQ(step.hardware, c.hardware);
    if (c.logged != nullptr) EXPECT_TRUE(Contains(step.log, c.logged)) << step.log;
    else EXPECT_FALSE(Contains(step.log, "provider for")) << step.log;
  }
}

TEST_F(HardwareStepTest, OtherValuesOfTheClassKeyAreTheParameters) {
  Run(ClassKey("TVK_Thing", "Alpha=1\nPROVIDER=TestEmitter\nbeta=two words\n"));
  ASSERT_EQ(TestEmitterC::s_Parameters.size(), 1u);
  const PropertyMap& p = TestEmitterC::s_Parameters[0];
  EXPECT_EQ(p.size(), 2u);
  EXPECT_EQ(p.get("alpha"), "1");
  EXPECT_EQ(p.get("Beta"), "two words");
  EXPECT_FALSE(p.contains("provider"));
}

// The computer system counts what the classes before it collected and goes first, wherever
// it is configured; a class after it is not counted, and the fixup provider adds nothing.
TEST_F(HardwareStepTest, ComputerSystemComesFirstWithTheTotalsOfTheClassesBeforeIt) {
  const StepT step = Run(ClassKey("TVK_Processor",
                                  "provider=TestEmitter\ninstances=cpu0,cpu1\ncpu0.NumberOfLogicalProcessors=8\n") +
                         ClassKey("TVK_PhysicalMemory", "provider=TestEmitter\ninstances=mem\nmem.Capacity=4096\n") +
                         ClassKey("TVK_ComputerSystem", "provider=UnixComputerSystem\n") +
                         ClassKey("TVK_Fixed", "provider=UnixComputerSystemFixup\n") +
                         ClassKey("TVK_Processor2", "provider=TestEmitter\ninstances=late\n"));
  EXPECT_EQ(step.result, hx::RC_OK);
  EXPECT_EQ(step.hardware,
            "TVK_ComputerSystem|kestrel|OS API\n"
            "  Domain=ops.example.net\n  Name=kestrel\n  NumberOfLogicalProcessors=9\n  NumberOfProcessors=2\n"
            "  TotalPhysicalMemory=4096\n  UserName=joe\n"
            "TVK_Processor|cpu0|OS API\n  NumberOfLogicalProcessors=8\n"
            "TVK_Processor|cpu1|OS API\n"
            "TVK_PhysicalMemory|mem|OS API\n  Capacity=4096\n"
            "TVK_Processor2|late|OS API\n");
  EXPECT_TRUE(Contains(step.log, "Loaded UnixComputerSystemFixup provider for TVK_Fixed class"));
}

// Providers run with LC_ALL=C; LC_ALL and PATH are what they were afterwards, whatever the
// providers did and also when there is no class list; an unset LC_ALL comes back empty.
TEST_F(HardwareStepTest, LocaleAndPathAreRestored) {
  // lcAll: before the step; null: unset
  struct CaseT { const char* lcAll; std::string ini; const char* lcAllAfter; } cases[] = {
      {"en_US.UTF-8", ClassKey("TVK_A", "provider=TestEmitter\n"), "en_US.UTF-8"},
      {"en_US.UTF-8", "", "en_US.UTF-8"},
      {nullptr, ClassKey("TVK_A", "provider=TestEmitter\n"), ""},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.ini);
    hxtest::ScopedEnvC env("LC_ALL", c.lcAll);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    TestEmitterC::s_LcAll.clear();
    Run(c.ini);
    ASSERT_NE(std::getenv("LC_ALL"), nullptr);
    EXPECT_STREQ(std::getenv("LC_ALL"), c.lcAllAfter);
    EXPECT_EQ(std::string(std::getenv("PATH")), path);
    for (const std::string& seen : TestEmitterC::s_LcAll) EXPECT_EQ(seen, "C");
  }
}

TEST_F(HardwareStepTest, ClassListKeyFollowsTheSystemName) {
  struct CaseT { std::string uname; const char* key; } cases[] = {
      {hxhw::SnapshotRootC::Solaris(), "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware"},
      {"sysname=Linux\nrelease=6.1.0\n", "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion\\Linux\\Hardware"},
      {"nodename=nameless\n", "Software\\Tarvosk Corp\\Tarvosk\\Tracker\\CurrentVersion\\UNKNOWN\\Hardware"},
  };
  for (const CaseT& c : cases) {
    hxhw::SnapshotRootC root(c.uname);
    EXPECT_EQ(TrkTrackUnixHardwareC().PlatformRegistryKey(), c.key);
  }
}
