// This host inventoried by a whole run with the shipped configuration (the Linux providers
// from the build's plug-in directory, no file scan) agrees with what the host's own tools say:
// ip, lsblk, lscpu, findmnt, getent, systemd-detect-virt and /etc/os-release. A tool that is
// not installed skips its comparison and says so. (The packages are compared with dpkg by
// ProgramPackagesTest.DebianHostAgreesWithDpkg.) And a run by an ordinary user gives every
// class, names in one log line what only root may read, and fails nowhere.

#include <nlohmann/json.hpp>

#include "linux/LinuxRunSupport.h"

namespace {

using linuxtest::InstancesOf;
using linuxtest::InventoryT;
using linuxtest::ValueOf;
using Json = nlohmann::json;

// The output of a tool found in the usual directories ("" and a note when it is not there).
std::string ToolOutput(const std::string& tool, const std::vector<std::string>& args) {
  for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
    const std::string path = dir + tool;
    if (::access(path.c_str(), X_OK) != 0) continue;
    CommandLineC command{path.c_str()};
    for (const std::string& a : args) command.Add(a);
    hxtest::ChildC child(command);
    if (child.Start() != hx::RC_OK) break;
    child.Finish(std::chrono::seconds(60));  // systemd-detect-virt ends with 1 when there is none
    return child.Out();
  }
  std::printf("[ SKIPPED  ] %s is not installed here: not compared\n", tool.c_str());
  return std::string();
}

Json ToolJson(const std::string& tool, const std::vector<std::string>& args) {
  const std::string out = ToolOutput(tool, args);
  return out.empty() ? Json() : Json::parse(out, nullptr, false);
}

// A number that lsblk and findmnt write as a number or, in older versions, as a text.
int64_t Number(const Json& j) {
  int64_t n = -1;
  if (j.is_number_integer()) return j.get<int64_t>();
  return j.is_string() && hx::ParseInt64(j.get<std::string>(), n) ? n : -1;
}

std::string Netmask(int prefix) {
  const uint32_t mask = prefix <= 0 ? 0 : 0xFFFFFFFFu << (32 - std::min(prefix, 32));
  return std::to_string(mask >> 24) + "." + std::to_string(mask >> 16 & 255) + "." + std::to_string(mask >> 8 & 255) +
         "." + std::to_string(mask & 255);
}

// Per interface but loopback: its IPv4 addresses, their netmasks and its IPv6 addresses with
// their prefix lengths, each list in the kernel's order joined with ";".
std::map<std::string, std::string> IpAddresses(const Json& links) {
  std::map<std::string, std::string> seen;
  for (const Json& link : links) {
    if (link.value("link_type", "") == "loopback") continue;
    std::vector<std::string> v4, masks, v6;
    for (const Json& a : link.value("addr_info", Json::array())) {
      const std::string address = a.value("local", ""), family = a.value("family", "");
      const int prefix = a.value("prefixlen", -1);
      if (family == "inet")
        v4.push_back(address), masks.push_back(Netmask(prefix));
      else if (family == "inet6")
        v6.push_back(address + "/" + std::to_string(prefix));
    }
    seen[link.value("ifname", "")] = hx::Join(v4, ";") + "|" + hx::Join(masks, ";") + "|" + hx::Join(v6, ";");
  }
  return seen;
}

std::map<std::string, std::string> InventoryAddresses(const InventoryT& inventory) {
  const char* c_Class = "TVK_NetworkAdapterConfiguration";
  std::map<std::string, std::string> seen;
  for (const std::string& name : InstancesOf(inventory, c_Class)) {
    // The prefix lengths are written with the addresses or beside them, by position.
    std::vector<std::string> v6 = hx::Split(ValueOf(inventory, c_Class, name, "IPv6Address"), ';', true);
    const std::vector<std::string> prefixes =
        hx::Split(ValueOf(inventory, c_Class, name, "IPv6PrefixLength"), ';', true);
    for (size_t i = 0; i < v6.size() && i < prefixes.size(); ++i) v6[i] += "/" + prefixes[i];
    seen[name] = ValueOf(inventory, c_Class, name, "IPAddress") + "|" + ValueOf(inventory, c_Class, name, "IPSubnet") +
                 "|" + hx::Join(v6, ";");
  }
  return seen;
}

// lscpu -J: {"lscpu": [{"field": "Socket(s):", "data": "2", "children": [...]}, ...]}.
std::string LscpuField(const Json& fields, const std::string& name) {
  for (const Json& f : fields) {
    if (f.value("field", "") == name) return f.value("data", "");
    if (f.contains("children")) {
      const std::string found = LscpuField(f["children"], name);
      if (!found.empty()) return found;
    }
  }
  return std::string();
}

int64_t CpuListCount(const std::string& list) {
  int64_t n = 0;
  for (const std::string& range : hx::Split(list, ',')) {
    int64_t first = -1, last = -1;
    const std::vector<std::string> ends = hx::Split(range, '-');
    if (!hx::ParseInt64(ends[0], first) || !hx::ParseInt64(ends.back(), last)) return -1;
    n += last - first + 1;
  }
  return n;
}

// name -> id of each line of `getent -s files <database>`.
std::map<std::string, std::string> GetentIds(const std::string& database) {
  std::map<std::string, std::string> ids;
  for (const std::string& line : hx::SplitLines(ToolOutput("getent", {"-s", "files", database}))) {
    const std::vector<std::string> f = hx::Split(line, ':');
    if (f.size() >= 3) ids[f[0]] = f[2];
  }
  return ids;
}

std::map<std::string, std::string> InventoryIds(const InventoryT& inventory, const char* className, const char* id) {
  std::map<std::string, std::string> ids;
  for (const std::string& name : InstancesOf(inventory, className)) ids[name] = ValueOf(inventory, className, name, id);
  return ids;
}

TEST(LiveHost, InventoryAgreesWithTheHostsTools) {
  hxtest::TempDirC dir("hxlinux-live");
  const hxapp::MachineRunT run = hxapp::RunOnMachine(dir, "");
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const InventoryT inventory = linuxtest::ReadInventory(run.inventory);

  if (const Json links = ToolJson("ip", {"-j", "addr"}); links.is_array()) {
    EXPECT_EQ(InventoryAddresses(inventory), IpAddresses(links));
  }

  if (const Json disks = ToolJson("lsblk", {"-J", "-d", "-b"}); disks.is_object()) {
    std::map<std::string, int64_t> theirs, ours;
    for (const Json& d : disks["blockdevices"])
      if (d.value("type", "") == "disk" && d.value("name", "").rfind("zram", 0) != 0)
        theirs[d.value("name", "")] = Number(d["size"]);
    for (const std::string& name : InstancesOf(inventory, "TVK_DiskDrive"))
      ours[name] = Number(Json(ValueOf(inventory, "TVK_DiskDrive", name, "Size")));
    EXPECT_EQ(ours, theirs);
  }

  if (const Json cpu = ToolJson("lscpu", {"-J"}); cpu.is_object()) {
    int64_t sockets = -1, perSocket = -1, cores = 0, logical = 0;
    const int64_t online = CpuListCount(LscpuField(cpu["lscpu"], "On-line CPU(s) list:"));
    if (hx::ParseInt64(LscpuField(cpu["lscpu"], "Socket(s):"), sockets) &&
        hx::ParseInt64(LscpuField(cpu["lscpu"], "Core(s) per socket:"), perSocket)) {
      for (const std::string& p : InstancesOf(inventory, "TVK_Processor")) {
        cores += Number(Json(ValueOf(inventory, "TVK_Processor", p, "NumberOfCores")));
        logical += Number(Json(ValueOf(inventory, "TVK_Processor", p, "NumberOfLogicalProcessors")));
      }
      EXPECT_EQ(static_cast<int64_t>(InstancesOf(inventory, "TVK_Processor").size()), sockets);
      EXPECT_EQ(cores, sockets * perSocket);
      EXPECT_EQ(logical, online);
      const std::set<std::string> system = InstancesOf(inventory, "TVK_ComputerSystem");
      ASSERT_EQ(system.size(), 1u);
      EXPECT_EQ(ValueOf(inventory, "TVK_ComputerSystem", *system.begin(), "NumberOfProcessors"),
                std::to_string(sockets));
      EXPECT_EQ(ValueOf(inventory, "TVK_ComputerSystem", *system.begin(), "NumberOfLogicalProcessors"),
                std::to_string(online));
    } else {
      std::printf("[ SKIPPED  ] lscpu counts no sockets here: processors not compared\n");
    }
  }

  if (const Json mounts = ToolJson("findmnt", {"--real", "-J", "-b", "-l", "-o", "TARGET,SIZE"}); mounts.is_object()) {
    std::set<std::string> targets;
    for (const Json& m : mounts["filesystems"]) {
      const std::string target = m.value("target", "");
      targets.insert(target);
      const int64_t size = Number(m["size"]),
                    ours = Number(Json(ValueOf(inventory, "TVK_LogicalDisk", target, "Size")));
      EXPECT_LE(std::llabs(ours - size), size / 100) << target << ": " << ours << " bytes, findmnt " << size;
    }
    EXPECT_EQ(InstancesOf(inventory, "TVK_LogicalDisk"), targets);
  }

  if (const auto accounts = GetentIds("passwd"); !accounts.empty()) {
    EXPECT_EQ(InventoryIds(inventory, "TVK_UserAccount", "UID"), accounts);
  }
  if (const auto groups = GetentIds("group"); !groups.empty()) {
    EXPECT_EQ(InventoryIds(inventory, "TVK_Group", "GID"), groups);
  }

  const std::set<std::string> system = InstancesOf(inventory, "TVK_ComputerSystem");
  ASSERT_EQ(system.size(), 1u);
  for (const auto& [option, property] : {std::pair{"-v", "VMType"}, std::pair{"-c", "ContainerType"}}) {
    const std::string says = hx::Trim(ToolOutput("systemd-detect-virt", {option}));
    if (!says.empty()) {
      EXPECT_EQ(ValueOf(inventory, "TVK_ComputerSystem", *system.begin(), property), says);
    }
  }

  // os-release is a shell fragment by definition: the shell reads it as the system does.
  const std::string pretty = ToolOutput("sh", {"-c",
                                               ". /etc/os-release 2>/dev/null || . /usr/lib/os-release; "
                                               "printf %s \"$PRETTY_NAME\""});
  const std::set<std::string> os = InstancesOf(inventory, "TVK_OperatingSystem");
  ASSERT_EQ(os.size(), 1u);
  if (!pretty.empty()) {
    EXPECT_EQ(ValueOf(inventory, "TVK_OperatingSystem", *os.begin(), "Caption"), pretty);
  }

  // Neither the architecture nor the host id stands for a maker, model or serial number; no
  // kernel thread is a process, and no process carries an id or its arguments.
  const std::string stand[] = {ValueOf(inventory, "TVK_OperatingSystem", *os.begin(), "OSArchitecture"),
                               ToolOutput("hostid", {})};
  for (const char* cls : {"TVK_ComputerSystem", "TVK_ComputerSystemProduct", "TVK_BIOS", "TVK_SystemEnclosure"})
    for (const std::string& i : InstancesOf(inventory, cls))
      for (const char* p : {"Manufacturer", "Model", "Name", "Vendor", "IdentifyingNumber", "SerialNumber"})
        for (const std::string& s : stand)
          EXPECT_TRUE(s.empty() || hx::Trim(s) != ValueOf(inventory, cls, i, p)) << cls << " " << p << " " << s;
  for (const auto& [name, properties] : inventory.at("TVK_Process")) {
    EXPECT_FALSE(hx::StartsWith(name, "kworker/") || name == "kthreadd" || hx::StartsWith(name, "ksoftirqd/")) << name;
    for (const auto& [property, value] : properties)
      EXPECT_TRUE(property == "Name" || property == "User" || property == "ExecutablePath") << property;
  }
}

// An ordinary user's run (in an IPC namespace of its own: the single-instance lock is root's):
// status 0, every class of root's run, one line naming what needed root, no error.
TEST(LiveHost, OrdinaryUsersRunGivesEveryClassItCan) {
  HX_TEST_NEEDS_ATTACKER(user);
  hxtest::TempDirC rootDir("hxlinux-root"), dir("hxlinux-user");
  const InventoryT asRoot = linuxtest::ReadInventory(hxapp::RunOnMachine(rootDir, "").inventory);
  ASSERT_EQ(::chown(dir.Path().c_str(), user, user), 0);
  const std::string ini = dir.Write("tarvosk.ini", hxtest::ReadFile(hxapp::c_ShippedIni));
  ASSERT_EQ(::chown(ini.c_str(), user, user), 0);
  CommandLineC command{"/usr/bin/unshare",
                       "--ipc",
                       "/usr/bin/setpriv",
                       ("--reuid=" + std::to_string(user)).c_str(),
                       ("--regid=" + std::to_string(user)).c_str(),
                       "--clear-groups",
                       hxapp::c_Program};
  for (const std::string& a : hxapp::QuietArgs({"-o", "Upload=False"})) command.Add(a);
  hxtest::ChildC child(command);
  child.Environment({"TARVOSKCONFIGINI=" + ini, "TARVOSKINSTALLDIR=" + std::string(hxapp::c_BinaryDir),
                     "TARVOSKDATADIR=" + dir.File("data"), "TARVOSKSYSROOT="});
  child.WorkingDirectory(dir.Path());
  ASSERT_EQ(child.Start(), hx::RC_OK);
  const uint32_t status = child.Finish();
  const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  EXPECT_EQ(status, 0u) << child.Err() << log;
  const InventoryT asUser =
      linuxtest::ReadInventory(hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories"))));
  for (const auto& [className, instances] : asRoot) EXPECT_EQ(asUser.count(className), 1u) << className;
  EXPECT_EQ(hxtest::Count(log, "WARNING: Only root may read these, and they are not in the inventory: "), 1u) << log;
  EXPECT_FALSE(hxtest::Contains(log, "ERROR")) << log;
}

}  // namespace
