// The identity of a Solaris machine beyond what the fixture machines show: model and maker
// from their sources in order, the chassis serial number of the eeprom, and the processes ps
// lists.

#include "hardware/HardwareTestSupport.h"
#include "hardware/solaris/identity/HWClass_Solaris.h"
#include "hardware/solaris/identity/HWClass_SolarisProcess.h"

namespace {

TEST(SolarisIdentity, ModelAndManufacturerFromTheFirstSourceThatHasThem) {
  struct { const char* product; const char* banner; const char* platform; const char* model; } models[] = {
      {"SUN FIRE X4270 SERVER", "Sun Fire X4270", "i86pc", "SUN FIRE X4270 SERVER"},
      {"", "", "SUNW,Sun-Fire-T200", "Sun Fire T200"},
      {"", "", "i86pc", "i86pc"},
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

  // The fixture machines show the other sources of the serial numbers; a short host id is padded.
  EXPECT_EQ(HWClass_SolarisHardwareSerial::HWSerialFrom(true, "5"), "00000005");
  EXPECT_EQ(HWClass_SolarisHardwareSerial::GenerateBIOSSerialFrom("82f84100", "", "4f8a-11"), "82f84100");
}

TEST(SolarisProcess, UserAndCommandOfEachPsLine) {
  const StringArrayC lines = {"    USER COMMAND", "    root sched", "  daemon /usr/lib/nfs/statd",
                              "webservd /opt/web server/bin/httpd", "lonely", "", "USER x"};
  std::string text;
  for (const auto& [user, command] : HWClass_SolarisProcess::ParsePsOutput(lines)) text += user + ":" + command + " ";
  EXPECT_EQ(text, "root:sched daemon:/usr/lib/nfs/statd webservd:/opt/web ");
}

}  // namespace
