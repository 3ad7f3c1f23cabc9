// The hardware phase of whole hxtrack runs on fixture machines (Solaris hosts given by their
// snapshots and tools under TARVOSKSYSROOT, inventoried on whatever host runs the test). A Linux
// host's own inventory is compared with its tools in tests/linux/live_host_test.cpp.

#include "app/AppTestSupport.h"

namespace {

using hxapp::c_Machines;
using hxapp::CopyMachine;
using hxapp::HardwareBlock;
using RunT = hxapp::MachineRunT;
using hxapp::RunOnMachine;

// The value of attribute `name` in one element line.
std::string Attribute(const std::string& line, const std::string& name) {
  const size_t at = line.find(" " + name + "=\"");
  if (at == std::string::npos) return std::string();
  const size_t begin = at + name.size() + 3;
  return line.substr(begin, line.find('"', begin) - begin);
}

struct ElementT { std::string className, name; std::map<std::string, std::string> properties; };

// The Hardware elements of an inventory with their properties.
std::vector<ElementT> Elements(const std::string& document) {
  std::vector<ElementT> elements;
  for (const std::string& line : hx::SplitLines(HardwareBlock(document))) {
    if (line.rfind("\t<Hardware ", 0) == 0) elements.push_back({Attribute(line, "Class"), Attribute(line, "Name"), {}});
    else if (line.rfind("\t\t<Property ", 0) == 0 && !elements.empty())
      elements.back().properties[Attribute(line, "Name")] = Attribute(line, "Value");
  }
  return elements;
}

std::vector<ElementT> OfClass(const std::vector<ElementT>& elements, const std::string& className) {
  std::vector<ElementT> of;
  for (const ElementT& e : elements) {
    if (e.className == className) of.push_back(e);
  }
  return of;
}

// Each machine inventoried with the shipped configuration gives exactly its expected elements,
// and every machine, however little it offers, ends its run with status 0: the class that
// comes last (the processes) cannot fail.
TEST(HardwareOnFixtureMachine, InventoriesEqualTheExpectedFiles) {
  for (const char* name : {"solaris10-x86", "solaris10-zone", "uname-only"}) {
    hxtest::TempDirC dir("hxhw-run");
    const RunT run = RunOnMachine(dir, CopyMachine(dir, name), {"-o", "UserName=auditor", "-o", "UserDomain=CORP"});
    EXPECT_EQ(run.exitCode, 0u) << name << "\n" << run.log;
    const std::string expected = HardwareBlock(hxtest::ReadFile(c_Machines + name + "/expected-hardware.xml"));
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(HardwareBlock(run.inventory), expected) << name;
    EXPECT_FALSE(hxapp::Contains(run.log, "Failed to load")) << name << "\n" << run.log;
  }
}

// Snapshot files that are empty, binary, cut short or hold one line of a megabyte leave out
// what they would have given; the run itself is clean.
TEST(HardwareOnFixtureMachine, DamagedSnapshotsDegradeToMissingProperties) {
  hxtest::TempDirC dir("hxhw-damaged");
  const std::string machine = CopyMachine(dir, "solaris10-x86");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 7 % 256);
  const std::string pooladm = hxtest::ReadFile(machine + "/.snapshot/pooladm");
  hxtest::WriteFile(machine + "/.snapshot/kstat", std::string(1 << 20, 'k') + "\tx\n");
  hxtest::WriteFile(machine + "/.snapshot/devinfo", binary);
  hxtest::WriteFile(machine + "/.snapshot/pooladm", pooladm.substr(0, pooladm.find("pset pset_web") + 8));
  hxtest::WriteFile(machine + "/.snapshot/sysinfo", "");
  hxtest::WriteFile(machine + "/.snapshot/zone", binary.substr(0, 100));
  const RunT run = RunOnMachine(dir, machine);
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  const std::vector<ElementT> elements = Elements(run.inventory);
  EXPECT_TRUE(OfClass(elements, "TVK_Processor").empty());
  EXPECT_TRUE(OfClass(elements, "TVK_DiskDrive").empty());
  // The zone calls said nothing, so the index's only local zone names the zone; the pool's
  // processor set was cut off and no processor is known, so the zone's capacity is nothing.
  const std::vector<ElementT> system = OfClass(elements, "TVK_ComputerSystem");
  ASSERT_EQ(system.size(), 1u);
  EXPECT_EQ(system[0].properties.at("VMName"), "web");
  EXPECT_EQ(system[0].properties.count("SharedPoolID"), 0u);
  EXPECT_EQ(system[0].properties.at("VMOnlineProcessorCount"), "0");
  const std::vector<ElementT> product = OfClass(elements, "TVK_ComputerSystemProduct");
  ASSERT_EQ(product.size(), 1u);
  EXPECT_EQ(product[0].properties.at("HostID"), "0");
  EXPECT_EQ(OfClass(elements, "TVK_Process").size(), 13u);
}

}  // namespace
