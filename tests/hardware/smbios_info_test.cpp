// The process SMBIOS table: which dmidecode it runs, in which order, and what look-ups give.
// Fake tools live in a fixture machine named by TARVOSKSYSROOT.

#include "hardware/unix/SMBiosInfo.h"
#include "hardware/unix/SMBiosSysfs.h"
#include "prefs/registry/EnvUnix.h"
#include "hardware/HardwareTestSupport.h"

namespace {

const std::string c_ServerOutput = HX_SOURCE_DIR "/tests/hardware/data/dmidecode-server.txt";
const std::string c_OldOutput = HX_SOURCE_DIR "/tests/hardware/data/dmidecode-old.txt";

// A machine whose PATH is fixed, so that which tool it finds does not depend on the caller's.
class SMBiosMachineTest : public ::testing::Test {
 protected:
  void Tool(const std::string& path, const std::string& tag, const std::string& body) { machine_.Tool(path, tag, body); }
  void Printing(const std::string& path, const std::string& tag, const std::string& output) {
    Tool(path, tag, "cat '" + output + "'");
  }
  std::string AgentTool() const { return EnvUnixC::GetInstallDir() + SMBiosInfoC::c_AgentToolBelowInstallDir; }
  std::string Ran() const { return machine_.Ran(); }

  hxhw::FakeMachineC machine_{"/fakebin:/usr/sbin:/usr/bin:/bin"};
};

TEST_F(SMBiosMachineTest, TriesTheToolsInOrderUntilOneSucceeds) {
  // system, agent, onPath: which tools exist; systemExit, agentExit: their exit status, -1 killed by a signal
  struct { const char* what; bool system, agent, onPath; int systemExit, agentExit; const char* ran; bool available; }
  cases[] = {
      {"system tool succeeds", true, true, true, 0, 0, "system\n", true},
      {"failing system tool: the agent's", true, true, true, 1, 0, "system\nagent\n", true},
      {"both fail: the one on the PATH", true, true, true, 1, 1, "system\nagent\npath\n", true},
      {"killed system tool counts as failed", true, true, false, -1, 0, "system\nagent\n", true},
      {"none installed: the PATH", false, false, true, 0, 0, "path\n", true},
      {"nothing anywhere", false, false, false, 0, 0, "", false},
      // The PATH holds /usr/sbin here, so the last try finds the system tool once more.
      {"all fail", true, true, false, 1, 2, "system\nagent\nsystem\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    machine_.Reset();
    auto exitWith = [&](int status) {
      if (status < 0) return std::string("kill -9 $$");
      return "cat '" + c_ServerOutput + "'; exit " + std::to_string(status);
    };
    if (c.system) Tool(SMBiosInfoC::c_SystemTool, "system", exitWith(c.systemExit));
    if (c.agent) Tool(AgentTool(), "agent", exitWith(c.agentExit));
    if (c.onPath) Printing("/fakebin/dmidecode", "path", c_ServerOutput);

    SMBiosInfoC info;
    EXPECT_EQ(Ran(), c.ran);
    EXPECT_EQ(info.IsAvailable(), c.available);
    EXPECT_EQ(info.GetRecords().size(), c.available ? 5u : 0u);
  }
}

TEST_F(SMBiosMachineTest, LookUpsByTypeAndName) {
  Printing(SMBiosInfoC::c_SystemTool, "system", c_ServerOutput);
  SMBiosInfoC info;
  ASSERT_TRUE(info.IsAvailable());
  const RefM<SMBiosDataC> chassis = info.findDMI(SMBiosInfoC::c_TypeChassis);
  ASSERT_TRUE(chassis);
  EXPECT_EQ(chassis->GetHandle(), "0x0300");  // the first of the two chassis records
  EXPECT_EQ(info.getDMIValue(SMBiosInfoC::c_TypeChassis, "Serial Number"), "CH-778812");
  EXPECT_EQ(info.getDMIValue(SMBiosInfoC::c_TypeChassis, "serial number"), "");
  EXPECT_EQ(info.getDMIValue(SMBiosInfoC::c_TypeBIOS, "Vendor"), "Phoenix Technologies LTD");
  EXPECT_EQ(info.getDMIValue(SMBiosInfoC::c_TypeSystem, "Manufacturer"), "Example Systems Inc.");
  EXPECT_FALSE(info.findDMI(42));
  EXPECT_EQ(info.getDMIValue(42, "Vendor"), "");
}

TEST_F(SMBiosMachineTest, FailedRunKeepsTheRecords) {
  Printing(SMBiosInfoC::c_SystemTool, "system", c_OldOutput);
  Tool("/fakebin/broken", "broken", "cat '" + c_ServerOutput + "'; exit 3");
  SMBiosInfoC info;
  ASSERT_EQ(info.GetRecords().size(), 2u);
  EXPECT_EQ(info.DMIDecodeRun("/fakebin/broken"), 1);
  EXPECT_LT(info.DMIDecodeRun("/fakebin/absent"), 0);
  ASSERT_EQ(info.GetRecords().size(), 2u);
  EXPECT_EQ(info.getDMIValue(SMBiosInfoC::c_TypeChassis, "Type"), "Mini Tower");
}

}  // namespace

// The values a Linux kernel publishes, as the records dmidecode would print for them: the
// chassis type by its name, records whose files are all missing left out.
TEST(SMBiosSysfs, KernelValuesAsRecords) {
  hxtest::TempDirC dir("hxdmi");
  dir.Write("bios_vendor", "SeaBIOS\n");
  dir.Write("bios_date", "04/01/2014\n");
  dir.Write("chassis_type", "23\n");
  dir.Write("chassis_vendor", "QEMU\n");
  std::string text;
  for (const RefM<SMBiosDataC>& r : hx::ReadDmiSysfs(dir.Path())) {
    text += std::to_string(r->GetType()) + " " + r->GetName() + ":";
    for (const auto& [name, value] : r->GetValues()) text += " " + name + "=" + value;
    text += "\n";
  }
  EXPECT_EQ(text, "0 BIOS Information: Release Date=04/01/2014 Vendor=SeaBIOS\n"
                  "3 Chassis Information: Manufacturer=QEMU Type=Rack Mount Chassis\n");
}
