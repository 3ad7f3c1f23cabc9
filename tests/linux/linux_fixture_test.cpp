// The Linux fixture machines (real captures that other projects publish, under
// tests/fixtures/machines/linux-*) inventoried by whole runs with the shipped configuration:
// each inventory holds every value of the machine's expected-linux.txt, derived by hand from
// the captured files, and of each class listed there by instance name exactly those instances
// (nothing of the build host creeps in).

#include "linux/LinuxRunSupport.h"

namespace {

struct ExpectedT {
  std::string className, instance, property, value;
};

std::vector<ExpectedT> ExpectedValues(const std::string& machine) {
  std::vector<ExpectedT> values;
  for (const std::string& line :
       hx::SplitLines(hxtest::ReadFile(hxapp::c_Machines + machine + "/expected-linux.txt"))) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = hx::Split(line, '\t');
    EXPECT_EQ(f.size(), 4u) << machine << ": " << line;
    if (f.size() == 4) values.push_back({f[0], f[1], f[2], f[3]});
  }
  EXPECT_FALSE(values.empty()) << machine;
  return values;
}

// A copy of the machine that keeps its links as links (sysfs is made of them, some lead
// nowhere in a capture) and that nobody but its owner may change, as the tracker requires.
std::string CopyLinuxMachine(const hxtest::TempDirC& dir, const std::string& name) {
  namespace fs = std::filesystem;
  const std::string machine = dir.File("machine");
  fs::copy(hxapp::c_Machines + name, machine, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(machine, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove, ec);
  }
  return machine;
}

TEST(LinuxFixtureMachine, InventoriesHoldTheExpectedValues) {
  for (const char* name : {"linux-server", "linux-kvm-guest", "linux-container"}) {
    SCOPED_TRACE(name);
    hxtest::TempDirC dir("hxlinux-fixture");
    const hxapp::MachineRunT run = hxapp::RunOnMachine(dir, CopyLinuxMachine(dir, name));
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    const linuxtest::InventoryT inventory = linuxtest::ReadInventory(run.inventory);
    std::map<std::string, std::set<std::string>> listed;
    for (const ExpectedT& e : ExpectedValues(name)) {
      std::string instance = e.instance;
      if (instance == "*") {
        const std::set<std::string> only = linuxtest::InstancesOf(inventory, e.className);
        EXPECT_EQ(only.size(), 1u) << e.className;
        instance = only.empty() ? std::string() : *only.begin();
      } else {
        listed[e.className].insert(instance);
      }
      if (e.property == "-") {
        EXPECT_EQ(linuxtest::InstancesOf(inventory, e.className).count(instance), 1u) << e.className << " " << instance;
      } else {
        EXPECT_EQ(linuxtest::ValueOf(inventory, e.className, instance, e.property), e.value)
            << e.className << " " << instance << " " << e.property;
      }
    }
    for (const auto& [className, instances] : listed)
      EXPECT_EQ(linuxtest::InstancesOf(inventory, className), instances);
  }
}

}  // namespace
