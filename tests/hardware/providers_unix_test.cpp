// The computer system, operating system and enclosure providers.

#include <gtest/gtest.h>

#include "hardware/HardwareTestSupport.h"
#include "hardware/solaris/identity/HWClass_SolarisSystemEnclosure.h"
#include "hardware/unix/HWClass_UnixComputerSystem.h"
#include "hardware/unix/HWClass_UnixOperatingSystem.h"
#include "hardware/unix/HWClass_UnixSystemEnclosure.h"
#include "hardware/unix/SMBiosInfo.h"

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
  struct CaseT {
    const char* userDomain;
    const char* computerDomain;
    std::vector<RefM<HWInstance>> before;
    const char* expected;
  } cases[] = {
      {"CORP", "ops.example.net",
       {Instance("TVK_Processor", "cpu0", {{"NumberOfLogicalProcessors", "8"}}), Instance("TVK_Processor", "cpu1"),
        Instance("TVK_PhysicalMemory", "m0", {{"Capacity", "2048"}}),
        Instance("TVK_PhysicalMemory", "m1", {{"Capacity", "8192"}})},
       "TVK_ComputerSystem|kestrel|\n  Domain=ops.example.net\n  Name=kestrel\n  NumberOfLogicalProcessors=9\n"
       "  NumberOfProcessors=2\n  TotalPhysicalMemory=8192\n  UserName=CORP\\joe\n"
       "TVK_Processor|cpu0|\n  NumberOfLogicalProcessors=8\nTVK_Processor|cpu1|\n"
       "TVK_PhysicalMemory|m0|\n  Capacity=2048\nTVK_PhysicalMemory|m1|\n  Capacity=8192\n"},
      {"", "", {},
       "TVK_ComputerSystem|kestrel|\n  Name=kestrel\n  NumberOfLogicalProcessors=0\n  NumberOfProcessors=0\n"
       "  TotalPhysicalMemory=\n  UserName=joe\n"},
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

// The system's identity comes from the machine snapshot when a system root is set.
TEST(UnixOperatingSystem, IdentityFromTheSnapshot) {
  struct CaseT { std::string uname; const char* expected; } cases[] = {
      {hxhw::SnapshotRootC::Solaris(),
       "TVK_OperatingSystem|SunOS|\n  CSName=kestrel\n  Caption=SunOS 5.10\n  Name=SunOS\n  OSType=29\n"
       "  Version=5.10\n"},
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

// The chassis record of a machine's SMBIOS table (read through its dmidecode) gives the
// enclosure's maker, serial number and type (values the record lacks stay empty and are not
// written); without a chassis record only the name is left.
TEST(UnixSystemEnclosure, ChassisPropertiesFromTheSMBiosTable) {
  struct CaseT { const char* table; const char* expected; } cases[] = {
      {"Handle 0x0003, DMI type 3, 21 bytes\nChassis Information\n\tManufacturer: Sun Microsystems\n"
       "\tType: Rack Mount Chassis\n\tSerial Number: 1005NNC1R7   \n\n"
       "Handle 0x0013, DMI type 3, 21 bytes\nChassis Information\n\tManufacturer: Other\n\tType: Tower\n",
       "TVK_SystemEnclosure|sysenc|\n  ChassisTypes=23\n  Manufacturer=Sun Microsystems\n  Name=sysenc\n"
       "  SerialNumber=1005NNC1R7\n  Type=Rack Mount Chassis\n"},
      {"Handle 0x0003, DMI type 3, 21 bytes\nChassis Information\n\tType: Convertible\n",
       "TVK_SystemEnclosure|sysenc|\n  ChassisTypes=2\n  Manufacturer=\n  Name=sysenc\n  SerialNumber=\n"
       "  Type=Convertible\n"},
      {"Handle 0x0000, DMI type 0, 24 bytes\nBIOS Information\n\tVendor: Phoenix Technologies LTD\n",
       "TVK_SystemEnclosure|sysenc|\n  Name=sysenc\n"},
  };
  for (const CaseT& c : cases) {
    hxhw::FakeMachineC machine("/usr/bin:/bin");
    machine.Tool("/usr/sbin/dmidecode", "dmidecode", std::string("cat <<'OUT'\n") + c.table + "OUT");
    SMBiosInfoC smbios;
    RefM<HWInstance> instance = Instance("TVK_SystemEnclosure", "sysenc", {{"Name", "sysenc"}});
    HWClass_UnixSystemEnclosure::AddChassisProperties(*instance, smbios);
    EXPECT_EQ(hxhw::InstancesText({instance}), c.expected);
  }
}

}  // namespace
