// The hardware phase of a whole hxtrack run on a fixture machine: a Solaris x86 host given by
// its snapshot and its tools under TARVOSKSYSROOT, inventoried on whatever host runs the test.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppTestSupport.h"

namespace {

const std::string c_Machine = HX_SOURCE_DIR "/tests/fixtures/machines/solaris10-x86";
const std::string c_ShippedIni = HX_SOURCE_DIR "/etc/tarvosk.ini";

// The class list of the runs below, in this order: the computer system after another class,
// and a class whose provider the program does not have.
const std::string c_ClassList =
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_OperatingSystem]\nprovider=UnixOperatingSystem\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_Bogus]\nprovider=NoSuchProvider\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_ComputerSystem]\nProvider=UnixComputerSystem\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_NetworkAdapterConfiguration]\n"
    "provider=UnixNetworkAdapterConfiguration\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_SystemEnclosure]\nprovider=SolarisSystemEnclosure\n"
    // The same machine seen as Linux must not be what is read.
    "[Tarvosk\\Tracker\\CurrentVersion\\Linux\\Hardware\\TVK_Wrong]\nprovider=UnixOperatingSystem\n";

// A configuration with the class list above, in dir.
std::string ClassListIni(const hxtest::TempDirC& dir) {
  return dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.File("server") + "\nPluginDirectory=" +
                                      dir.File("plugins") + "\n" + c_ClassList);
}

struct RunT {
  uint32_t exitCode = 0xFFFFFFFFu;
  std::string inventory;
  std::string log;
};

// One hxtrack run with TARVOSKSYSROOT at the fixture machine and the configuration file `ini`.
RunT RunOnMachine(const hxtest::TempDirC& dir, const std::string& iniPath, const std::vector<std::string>& args,
                  const std::string& machine = c_Machine) {
  CommandLineC commandLine{hxapp::c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "Upload=False"};
  for (const std::string& a : args) commandLine.Add(a);
  hxtest::ChildC p(commandLine);
  p.Environment({"TARVOSKCONFIGINI=" + iniPath, "TARVOSKINSTALLDIR=" + std::string(hxapp::c_BinaryDir),
                 "TARVOSKDATADIR=" + dir.File("data"), "TARVOSKSYSROOT=" + machine})
      .WorkingDirectory(dir.Path());
  RunT run;
  EXPECT_EQ(p.Start(), hx::RC_OK);
  run.exitCode = p.Finish();
  const std::string inventories = dir.File("data/tracker/inventories");
  const std::vector<std::string> files = hxapp::FilesIn(inventories, "");
  if (files.size() == 1) run.inventory = hxtest::ReadFile(inventories + "/" + files[0]);
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  return run;
}

// The lines from the first Hardware element to the end of the last one.
std::string HardwareBlock(const std::string& document) {
  const size_t begin = document.find("\t<Hardware ");
  const size_t last = document.rfind("\t</Hardware>\n");
  if (begin == std::string::npos || last == std::string::npos) return std::string();
  return document.substr(begin, last + std::string("\t</Hardware>\n").size() - begin);
}

// The value of attribute `name` in one element line.
std::string Attribute(const std::string& line, const std::string& name) {
  const size_t at = line.find(" " + name + "=\"");
  if (at == std::string::npos) return std::string();
  const size_t begin = at + name.size() + 3;
  return line.substr(begin, line.find('"', begin) - begin);
}

// The Class of each Hardware element of a block.
std::vector<std::string> Classes(const std::string& block) {
  std::vector<std::string> classes;
  for (const std::string& line : hx::SplitLines(block))
    if (line.rfind("\t<Hardware ", 0) == 0) classes.push_back(Attribute(line, "Class"));
  return classes;
}

TEST(HardwareOnFixtureMachine, InventoryHoldsTheExpectedHardware) {
  hxtest::TempDirC dir("hxhw-run");
  const RunT run = RunOnMachine(dir, ClassListIni(dir), {"-o", "UserName=auditor", "-o", "UserDomain=CORP"});
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  const std::string expected = HardwareBlock(hxtest::ReadFile(c_Machine + "/expected-hardware.xml"));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(HardwareBlock(run.inventory), expected);

  EXPECT_TRUE(hxapp::Contains(run.log, "Failed to load NoSuchProvider provider for TVK_Bogus class: error 0x80000005"))
      << run.log;
  EXPECT_TRUE(hxapp::Contains(run.log, "Loaded UnixComputerSystem provider for TVK_ComputerSystem class"));
  EXPECT_TRUE(hxapp::Contains(run.log, "Started tracking hardware"));
  EXPECT_TRUE(hxapp::Contains(run.log, "Finished tracking hardware"));
}

// The shipped configuration's SunOS list covers every class this machine has a provider for.
TEST(HardwareOnFixtureMachine, ShippedConfigurationListsTheSolarisClasses) {
  hxtest::TempDirC dir("hxhw-run");
  const std::string ini = dir.Write("tarvosk.ini", hxtest::ReadFile(c_ShippedIni) + "\n[Tarvosk]\nPluginDirectory=" +
                                                        dir.File("plugins") + "\n");
  const RunT run = RunOnMachine(dir, ini, {});
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  EXPECT_EQ(Classes(HardwareBlock(run.inventory)), (std::vector<std::string>{"TVK_ComputerSystem", "TVK_OperatingSystem",
                                               "TVK_NetworkAdapterConfiguration", "TVK_NetworkAdapterConfiguration",
                                               "TVK_NetworkAdapterConfiguration", "TVK_SystemEnclosure"}));
  EXPECT_FALSE(hxapp::Contains(run.log, "Failed to load")) << run.log;
}

// The children of one section ("Add", "Update", "Remove") of a delta document: the Class and
// Name of each top-level element in it, "" for an empty section.
std::string DeltaSection(const std::string& delta, const std::string& section) {
  if (delta.find("\t<" + section + "/>\n") != std::string::npos) return "";
  const size_t begin = delta.find("\t<" + section + ">\n");
  const size_t end = delta.find("\t</" + section + ">\n");
  if (begin == std::string::npos || end == std::string::npos) return "<missing>";
  std::string items;
  for (const std::string& line : hx::SplitLines(delta.substr(begin, end - begin))) {
    if (line.rfind("\t\t<", 0) == 0 && line.rfind("\t\t</", 0) != 0)
      items += Attribute(line, "Class") + "/" + Attribute(line, "Name") + " ";
  }
  return items;
}

// A delta after one adapter's address changed carries that adapter's elements as updated and
// nothing else: both blocks of e1000g0 (its IPv4 and IPv6 configurations) are one item, so both
// are sent again, and nothing is added or removed.
TEST(HardwareOnFixtureMachine, ChangedAddressIsAnUpdateOfItsAdapter) {
  hxtest::TempDirC dir("hxhw-delta");
  const std::string machine = dir.File("machine");
  std::filesystem::copy(c_Machine, machine, std::filesystem::copy_options::recursive);
  const std::string ini = ClassListIni(dir);
  const RunT first = RunOnMachine(dir, ini, {"-o", "Compress=False"}, machine);
  ASSERT_EQ(first.exitCode, 0u) << first.log;

  const std::string ifconfig = machine + "/usr/sbin/ifconfig";
  const std::string script = hxtest::ReadFile(ifconfig);
  ASSERT_NE(script.find("inet 10.20.30.41 "), std::string::npos);
  hxtest::WriteFile(ifconfig, hx::ReplaceAll(script, "inet 10.20.30.41 ", "inet 10.20.30.99 "));

  const RunT second = RunOnMachine(dir, ini, {"-o", "Compress=False", "-o", "Difference=True"}, machine);
  ASSERT_EQ(second.exitCode, 0u) << second.log;
  std::string delta;
  for (const std::string& f : hxapp::FilesIn(dir.File("data/uploads"))) {
    const std::string text = hxtest::ReadFile(dir.File("data/uploads/" + f));
    if (text.find(" Type=\"Difference\"") != std::string::npos) delta = text;
  }
  ASSERT_FALSE(delta.empty()) << second.log;
  EXPECT_EQ(DeltaSection(delta, "Update"),
            "TVK_NetworkAdapterConfiguration/e1000g0 TVK_NetworkAdapterConfiguration/e1000g0 ");
  EXPECT_EQ(DeltaSection(delta, "Add"), "");
  EXPECT_EQ(DeltaSection(delta, "Remove"), "");
  EXPECT_NE(delta.find("Value=\"10.20.30.99\""), std::string::npos);
}

}  // namespace
