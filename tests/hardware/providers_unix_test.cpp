// The generic computer system, operating system and enclosure providers where the fixture
// machines (Solaris, every class through a whole run) do not show them.

#include "hardware/HardwareTestSupport.h"
#include "hardware/unix/HWClass_UnixComputerSystem.h"
#include "hardware/unix/HWClass_UnixOperatingSystem.h"
#include "hardware/unix/HWClass_UnixSystemEnclosure.h"

namespace {

template <typename FactoryT>
std::string Inventory(HWInstanceListT& instances, const char* className) {
  hxhw::ProviderC<FactoryT> provider;
  EXPECT_EQ(provider->GetInventory(instances, className, PropertyMap()), hx::RC_OK);
  return hxhw::InstancesText(instances);
}

RefM<HWInstance> Instance(const char* className, const char* name,
                          std::initializer_list<std::pair<const char*, const char*>> properties = {}) {
  RefM<HWInstance> i(new HWInstance(className, name, ""));
  for (const auto& [key, value] : properties) i->AddProperty(key, value);
  return i;
}

// The user of the run with its domain, the machine's domain, and the totals of the processor
// and memory instances collected before it.
TEST(UnixComputerSystem, PropertiesFromPreferencesAndEarlierClasses) {
  struct CaseT { const char *userDomain, *computerDomain; std::vector<RefM<HWInstance>> before; const char* expected; }
  cases[] = {
      {"CORP", "ops.example.net",
       {Instance("TVK_Processor", "cpu0", {{"NumberOfLogicalProcessors", "8"}}), Instance("TVK_Processor", "cpu1"),
        Instance("TVK_PhysicalMemory", "m0", {{"Capacity", "2048"}}),
        Instance("TVK_PhysicalMemory", "m1", {{"Capacity", "8192"}})},
       "TVK_ComputerSystem|kestrel|\n  Domain=ops.example.net\n  Name=kestrel\n  NumberOfLogicalProcessors=9\n"
       "  NumberOfProcessors=2\n  TotalPhysicalMemory=8192\n  UserName=CORP\\joe\n"
       "TVK_Processor|cpu0|\n  NumberOfLogicalProcessors=8\nTVK_Processor|cpu1|\n"
       "TVK_PhysicalMemory|m0|\n  Capacity=2048\nTVK_PhysicalMemory|m1|\n  Capacity=8192\n"},
      // Class names compare exactly; a count that is not a number reads as its leading digits.
      {"", "", {Instance("tvk_processor", "p"), Instance("TVK_Processor", "q", {{"NumberOfLogicalProcessors", "x4"}}),
                Instance("TVK_Processor", "r", {{"NumberOfLogicalProcessors", "16 threads"}})},
       "TVK_ComputerSystem|kestrel|\n  Name=kestrel\n  NumberOfLogicalProcessors=16\n  NumberOfProcessors=2\n"
       "  TotalPhysicalMemory=\n  UserName=joe\n"
       "tvk_processor|p|\nTVK_Processor|q|\n  NumberOfLogicalProcessors=x4\n"
       "TVK_Processor|r|\n  NumberOfLogicalProcessors=16 threads\n"},
  };
  for (const CaseT& c : cases) {
    hxhw::ScopedPrefsC prefs;
    prefs.Set("MachineName", "kestrel").Set("UserName", "joe").Set("UserDomain", c.userDomain);
    prefs.Set("ComputerDomain", c.computerDomain);
    HWInstanceListT instances = c.before;
    EXPECT_EQ(Inventory<TrkTrackUnixComputerSystemFactoryC>(instances, "TVK_ComputerSystem"), c.expected);
  }
}

// The system's identity comes from the machine snapshot of systems other than SunOS.
TEST(UnixOperatingSystem, IdentityFromTheSnapshot) {
  struct CaseT { std::string uname; const char* expected; } cases[] = {
      {"sysname=Linux\nrelease=6.1.0-18-amd64\n",
       "TVK_OperatingSystem|Linux|\n  CSName=kestrel\n  Caption=Linux 6.1\n  Name=Linux\n  OSType=36\n  Version=6.1\n"},
      {"sysname=AIX\nrelease=3\n",
       "TVK_OperatingSystem|AIX|\n  CSName=kestrel\n  Caption=AIX 3.0\n  Name=AIX\n  OSType=1\n  Version=3.0\n"},
      {"nodename=nameless\n",
       "TVK_OperatingSystem|UNKNOWN|\n  CSName=kestrel\n  Caption=UNKNOWN 0.0\n  Name=UNKNOWN\n  OSType=0\n"
       "  Version=0.0\n"},
  };
  for (const CaseT& c : cases) {
    hxhw::SnapshotRootC root(c.uname);
    hxhw::ScopedPrefsC prefs;
    prefs.Set("MachineName", "kestrel");
    HWInstanceListT instances;
    EXPECT_EQ(Inventory<TrkTrackUnixOperatingSystemFactoryC>(instances, "TVK_OperatingSystem"), c.expected);
  }
}

TEST(UnixSystemEnclosure, GenericEnclosureIsOfUnknownType) {
  HWInstanceListT instances{Instance("TVK_Processor", "cpu0")};
  EXPECT_EQ(Inventory<TrkTrackUnixSystemEnclosureFactoryC>(instances, "TVK_SystemEnclosure"),
            "TVK_Processor|cpu0|\nTVK_SystemEnclosure|sysenc|\n  ChassisTypes=2\n  Name=sysenc\n");
}

}  // namespace
