// The hardware phase of whole hxtrack runs: on fixture machines (Solaris hosts given by their
// snapshots and tools under TARVOSKSYSROOT, inventoried on whatever host runs the test) and on
// the host itself, whose inventory must agree with what the system's own tools report.

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

// The output lines of a system tool, or nothing when it is not there or fails.
std::vector<std::string> ToolLines(const CommandLineC& commandLine) {
  hxtest::ChildC tool(commandLine);
  if (tool.Start() != hx::RC_OK || tool.Finish(std::chrono::seconds(30)) != 0) return {};
  return hx::SplitLines(tool.Out());
}

int64_t Number(const std::string& text) {
  int64_t n = -1;
  return hx::ParseInt64(text, n) ? n : -1;
}

// The host inventoried with the shipped configuration agrees with lscpu, lsblk, getconf and ps.
TEST(HardwareOnThisHost, AgreesWithTheSystemTools) {
  const std::vector<std::string> cpus = ToolLines(CommandLineC{"/usr/bin/lscpu", "-p=SOCKET,CORE"});
  const std::vector<std::string> disks = ToolLines(CommandLineC{"/usr/bin/lsblk", "-d", "-b", "-n", "-o", "NAME,SIZE,TYPE"});
  if (cpus.empty() || disks.empty()) GTEST_SKIP() << "lscpu or lsblk is not usable here";
  hxtest::TempDirC dir("hxhw-host");
  const RunT run = RunOnMachine(dir, "");
  const std::vector<std::string> ps = ToolLines(CommandLineC{"/bin/ps", "-eo", "pid=,ppid=,user:64=,comm="});
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const std::vector<ElementT> elements = Elements(run.inventory);

  // Processors: one per socket, with the cores and logical processors lscpu counts on it.
  std::map<std::string, std::set<std::string>> cores;
  std::map<std::string, int> threads;
  for (const std::string& line : cpus) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = hx::Split(line, ',');
    cores[f[0]].insert(f.at(1));
    ++threads[f[0]];
  }
  std::multiset<std::string> expected, got;
  for (const auto& [socket, c] : cores) expected.insert(std::to_string(c.size()) + "/" + std::to_string(threads[socket]));
  int64_t logical = 0;
  for (const ElementT& p : OfClass(elements, "TVK_Processor")) {
    got.insert(p.properties.at("NumberOfCores") + "/" + p.properties.at("NumberOfLogicalProcessors"));
    logical += Number(p.properties.at("NumberOfLogicalProcessors"));
  }
  EXPECT_EQ(got, expected);
  const std::vector<ElementT> system = OfClass(elements, "TVK_ComputerSystem");
  ASSERT_EQ(system.size(), 1u);
  EXPECT_EQ(Number(system[0].properties.at("NumberOfProcessors")), static_cast<int64_t>(cores.size()));
  EXPECT_EQ(Number(system[0].properties.at("NumberOfLogicalProcessors")), logical);

  // Disks: every whole disk lsblk lists, under its name with its size, and nothing else.
  std::map<std::string, std::string> lsblkDisks, ourDisks;
  for (const std::string& line : disks) {
    const std::vector<std::string> f = hx::SplitBlanks(line);
    if (f.size() == 3 && f[2] == "disk" && f[0].rfind("loop", 0) != 0 && f[0].rfind("ram", 0) != 0 &&
        f[0].rfind("zram", 0) != 0)
      lsblkDisks[f[0]] = f[1];
  }
  for (const ElementT& d : OfClass(elements, "TVK_DiskDrive")) ourDisks[d.name] = d.properties.at("Size");
  EXPECT_EQ(ourDisks, lsblkDisks);

  // Memory: the physical pages times the page size.
  std::vector<std::string> pages = ToolLines(CommandLineC{"/usr/bin/getconf", "PHYS_PAGES"});
  if (pages.empty()) pages = ToolLines(CommandLineC{"/usr/bin/getconf", "_PHYS_PAGES"});
  const std::vector<std::string> pageSize = ToolLines(CommandLineC{"/usr/bin/getconf", "PAGESIZE"});
  ASSERT_FALSE(pages.empty() || pageSize.empty());
  const std::vector<ElementT> memory = OfClass(elements, "TVK_PhysicalMemory");
  ASSERT_EQ(memory.size(), 1u);
  EXPECT_EQ(Number(memory[0].properties.at("Capacity")), Number(pages[0]) * Number(pageSize[0]));

  // Processes: one per command and user of ps's lines, kernel threads (kthreadd and its
  // children) aside; processes come and go meanwhile.
  std::set<std::string> listed, ours;
  for (const std::string& line : ps) {
    const std::vector<std::string> f = hx::SplitBlanks(line);
    if (f.size() >= 4 && f[0] != "2" && f[1] != "2") listed.insert(hx::Join({f.begin() + 3, f.end()}, " ") + "|" + f[2]);
  }
  for (const ElementT& p : OfClass(elements, "TVK_Process")) ours.insert(p.name + "|" + (p.properties.count("User") != 0 ? p.properties.at("User") : ""));
  ASSERT_FALSE(listed.empty());
  EXPECT_NEAR(static_cast<double>(ours.size()), static_cast<double>(listed.size()), 5);
}

}  // namespace
