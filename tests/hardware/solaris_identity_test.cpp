// The identity of a Solaris machine: model and maker from their sources in order, the serial
// numbers of the product and the BIOS, the BIOS record, the boot time and memory sizes of the
// operating system, and the processes ps lists.

#include <gtest/gtest.h>

#include "hardware/HardwareTestSupport.h"
#include "hardware/solaris/identity/HWClass_Solaris.h"
#include "hardware/solaris/identity/HWClass_SolarisBIOS.h"
#include "hardware/solaris/identity/HWClass_SolarisComputerSystemProduct.h"
#include "hardware/solaris/identity/HWClass_SolarisOperatingSystem.h"
#include "hardware/solaris/identity/HWClass_SolarisProcess.h"
#include "hardware/unix/SMBiosInfo.h"

namespace {

TEST(SolarisIdentity, ModelAndManufacturerFromTheFirstSourceThatHasThem) {
  struct { const char* product; const char* banner; const char* platform; const char* model; } models[] = {
      {"SUN FIRE X4270 SERVER", "Sun Fire X4270", "i86pc", "SUN FIRE X4270 SERVER"},
      {"", "Sun Fire V240", "SUNW,Sun-Fire-V240", "Sun Fire V240"},
      {"", "", "SUNW,Sun-Fire-T200", "Sun Fire T200"},
      {"", "", "i86pc", "i86pc"},
      {"", "", "", ""},
  };
  for (const auto& m : models) EXPECT_EQ(HWClass_Solaris::ModelFrom(m.product, m.banner, m.platform), m.model);
  EXPECT_EQ(HWClass_Solaris::ManufacturerFrom("Sun Microsystems", "Oracle", "X4270"), "Sun Microsystems");
  EXPECT_EQ(HWClass_Solaris::ManufacturerFrom("", "Sun_Microsystems", "X4270"), "Sun_Microsystems");
  EXPECT_EQ(HWClass_Solaris::ManufacturerFrom("", "", "Sun Fire T200"), "Sun Fire T200");
  EXPECT_EQ(HWClass_Solaris::PlatformType("SUNW,Sun-Fire-T200"), "Sun-Fire-T200");
  EXPECT_EQ(HWClass_Solaris::PlatformType("i86pc"), "i86pc");
}

TEST(SolarisIdentity, SerialNumbers) {
  struct { std::vector<std::string> eeprom; const char* serial; } eeproms[] = {
      {{"nvramrc=devalias net /pci@1f,700000/network@2", "\" ChassisSerialNumber ABC123 \" cr"}, "ABC123"},
      {{"nvramrc=chassisserialnumber=X1", "CHASSISSERIALNUMBER \"Y2\""}, "Y2"},
      {{"nvramrc: data not available.", "ChassisSerialNumber"}, ""},
      {{}, ""},
  };
  for (const auto& e : eeproms) EXPECT_EQ(HWClass_Solaris::ChassisSerialFromEeprom(e.eeprom), e.serial);

  EXPECT_EQ(HWClass_SolarisHardwareSerial::HWSerialFrom(true, "2197307648"), "82f84100");
  EXPECT_EQ(HWClass_SolarisHardwareSerial::HWSerialFrom(true, "5"), "00000005");
  EXPECT_EQ(HWClass_SolarisHardwareSerial::HWSerialFrom(false, ""), "0");
  EXPECT_EQ(HWClass_SolarisHardwareSerial::GenerateBIOSSerialFrom("82f84100", "global", ""), "82f84100-global");
  EXPECT_EQ(HWClass_SolarisHardwareSerial::GenerateBIOSSerialFrom("82f84100", "web", "4f8a-11"), "4f8a-11");
  EXPECT_EQ(HWClass_SolarisHardwareSerial::GenerateBIOSSerialFrom("82f84100", "", "4f8a-11"), "82f84100");

  EXPECT_EQ(HWClass_SolarisComputerSystemProduct::IdentifyingNumberFrom("ABC123", "2197307648", 7), "ABC123");
  EXPECT_EQ(HWClass_SolarisComputerSystemProduct::IdentifyingNumberFrom("", "2197307648", 7), "2197307648");
  EXPECT_EQ(HWClass_SolarisComputerSystemProduct::IdentifyingNumberFrom("", "", 4294967295u), "4294967295");
}

// The BIOS record of the machine's table (read through its dmidecode) gives the maker, version
// and release date; without a record only the serial number is there, and the name is "bios".
TEST(SolarisBIOS, RecordValuesWhenTheTableHasThem) {
  struct { const char* table; const char* expected; } cases[] = {
      {"Handle 0x0000, DMI type 0, 24 bytes\nBIOS Information\n\tVendor: American Megatrends Inc.\n"
       "\tVersion: 07060215\n\tRelease Date: 03/17/2010\n",
       "TVK_BIOS|American Megatrends Inc.|\n  Manufacturer=American Megatrends Inc.\n  ReleaseDate=20100317T000000\n"
       "  SerialNumber=82f84100-global\n  Version=07060215\n"},
      {"Handle 0x0001, DMI type 1, 27 bytes\nSystem Information\n\tManufacturer: Sun Microsystems\n",
       "TVK_BIOS|bios|\n  SerialNumber=82f84100-global\n"},
  };
  for (const auto& c : cases) {
    hxhw::FakeMachineC machine("/usr/bin:/bin");
    machine.Tool("/usr/sbin/dmidecode", "dmidecode", std::string("cat <<'OUT'\n") + c.table + "OUT");
    SMBiosInfoC smbios;
    RefM<HWInstance> instance(new HWInstance("TVK_BIOS", HWClass_SolarisBIOS::NameFrom(smbios), ""));
    HWClass_SolarisBIOS::AddBiosProperties(*instance, smbios, "82f84100-global");
    EXPECT_EQ(hxhw::InstancesText({instance}), c.expected);
  }
}

TEST(SolarisOperatingSystem, BootTimeAndMemoryTexts) {
  hxtest::ScopedTimeZoneC tz("Europe/Berlin");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::BootTimeText(1262304000), "20100101T000000Z");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::BootTimeText(0), "");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::BootTimeText(-1), "");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::KilobytesText(4096, 4194304), "16777216");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::KilobytesText(8192, 0), "0");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::KilobytesText(-1, 4194304), "");
  EXPECT_EQ(HWClass_SolarisOperatingSystem::KilobytesText(4096, -1), "");
}

TEST(SolarisProcess, UserAndCommandOfEachPsLine) {
  const StringArrayC lines = {"    USER COMMAND", "    root sched", "  daemon /usr/lib/nfs/statd",
                              "webservd /opt/web server/bin/httpd", "lonely", "", "USER x"};
  std::string text;
  for (const auto& [user, command] : HWClass_SolarisProcess::ParsePsOutput(lines)) text += user + ":" + command + " ";
  EXPECT_EQ(text, "root:sched daemon:/usr/lib/nfs/statd webservd:/opt/web ");
}

}  // namespace
