// The stand-ins for the Solaris interfaces: the snapshot formats read into their models, the
// rules for a missing or untrustworthy snapshot file, and the Linux host read from a tree laid
// out like /sys and /proc.

#include <sys/utsname.h>

#include "hardware/HardwareTestSupport.h"
#include "platform/DevInfo.h"
#include "platform/KStat.h"
#include "platform/LinuxHost.h"
#include "platform/Pools.h"
#include "platform/SysInfo.h"

namespace {

// "module:instance:name [class] stat=value|stat=value" per statistic, one a line.
std::string Describe(const hx::KStatChainT& chain) {
  std::string out;
  for (const hx::KStatT& k : chain) {
    out += k.module + ":" + std::to_string(k.instance) + ":" + k.name + " [" + k.ksClass + "]";
    for (const auto& [n, v] : k.values) out += " " + n + "=" + v + "|";
    out += "\n";
  }
  return out;
}

std::string Describe(const std::vector<hx::DevPropT>& props) {
  std::string out;
  for (const hx::DevPropT& p : props) {
    out += " " + p.name + "=";
    if (p.type == hx::DevPropT::String) out += "'" + p.text + "'";
    for (int64_t n : p.ints) out += std::to_string(n) + (p.type == hx::DevPropT::Int64 ? "L," : ",");
    if (p.type == hx::DevPropT::Boolean) out += "true";
  }
  return out;
}

std::string Describe(const hx::DevTreeT& tree) {
  std::string out;
  for (const hx::DevNodeT& n : tree) {
    out += n.path + " " + n.node + " " + n.driver + " " + std::to_string(n.instance) + " " + n.nodetype +
           (n.kernelName.empty() ? "" : " (" + n.kernelName + ")") + Describe(n.props) + " |" + Describe(n.prom) + "\n";
  }
  return out;
}

std::string Describe(const hx::PoolElemT& e) {
  std::string out = e.name;
  for (const hx::PoolPropT& p : e.props) out += " " + std::to_string(p.type) + ":" + p.name + "=" + p.value;
  return out;
}

std::string Describe(const hx::PoolConfT& c) {
  std::string out = "system " + Describe(c.system) + "\n";
  for (const hx::PoolT& p : c.pools) out += "pool " + Describe(p) + " -> " + p.pset + "\n";
  for (const hx::PsetT& s : c.psets) {
    out += "pset " + Describe(s) + "\n";
    for (const hx::PoolElemT& cpu : s.cpus) out += "  cpu" + Describe(cpu) + "\n";
  }
  return out;
}

TEST(KstatSnapshot, ReadsKeysValuesAndClasses) {
  // The cases: `kstat -p` output, then its statistics as Describe shows them.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("kstat-snapshots.txt"))
    EXPECT_EQ(Describe(hx::ParseKstatOutput(c.texts.at(0))), c.texts.at(1)) << c.what;
}

TEST(DevinfoSnapshot, ReadsNodeBlocks) {
  // The cases: a snapshot, then its nodes as Describe shows them.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("devinfo-snapshots.txt"))
    EXPECT_EQ(Describe(hx::ParseDevinfoSnapshot(c.texts.at(0))), c.texts.at(1)) << c.what;
}

TEST(PooladmSnapshot, ReadsPoolsSetsAndProcessors) {
  // The cases: `pooladm` output, then its pools and sets as Describe shows them.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("pooladm-snapshots.txt"))
    EXPECT_EQ(Describe(hx::ParsePooladmOutput(c.texts.at(0))), c.texts.at(1)) << c.what;

  struct { const char* text; const char* pool; } binds[] = {
      {"4711\tpool_web\n", "pool_web"}, {"4711  pool_web \n", "pool_web"}, {"\n4711\t pool default \n", "pool default"},
      {"poolbind:\n", ""}, {"", ""}};
  for (const auto& b : binds) EXPECT_EQ(hx::ParsePoolbindOutput(b.text), b.pool) << b.text;
}

// With a system root every interface answers from its snapshot file only (the fixture machine
// "uname-only" shows a root without any); a link or a file others may write is no snapshot.
TEST(MachineSnapshot, UntrustedFilesMeanNotAvailable) {
  hxhw::SnapshotRootC root(hxhw::SnapshotRootC::Solaris());
  hx::KStatChainT chain;
  hx::DevTreeT tree;
  std::string text;
  root.Dir().Write(".snapshot/sysinfo", "hw_serial = 2197307648\nplatform=i86pc\nhostid=x\n");
  root.Dir().Write(".snapshot/sysconf", "PAGESIZE=4096\nPHYS_PAGES=4194304\nAVPHYS_PAGES=\n");
  root.Dir().Write(".snapshot/zone", "zonename=global\n");
  root.Dir().Write("elsewhere", "cpu_info:0:cpu_info0:state\ton-line\n");
  ASSERT_EQ(::symlink(root.Dir().File("elsewhere").c_str(), root.Dir().File(".snapshot/kstat").c_str()), 0);
  ::chmod(root.Dir().Write(".snapshot/devinfo", "node sd\n").c_str(), 0664);
  EXPECT_TRUE(hx::SysInfoText(hx::SysInfoE::HwSerial, text) && text == "2197307648");
  EXPECT_FALSE(hx::SysInfoText(hx::SysInfoE::HwProvider, text));
  EXPECT_EQ(hx::HostId(), 0u);
  EXPECT_EQ(hx::SysConfValue(hx::SysConfE::PhysPages), 4194304);
  EXPECT_EQ(hx::SysConfValue(hx::SysConfE::AvPhysPages), -1);
  EXPECT_TRUE(hx::CurrentZoneName(text) && text == "global");
  EXPECT_EQ(hx::KStatReadChain(chain), hx::RcFromErrno(ENOENT));
  EXPECT_EQ(hx::DevInfoReadTree(tree), hx::RcFromErrno(ENOENT));
  ::chmod(root.Dir().File(".snapshot/devinfo").c_str(), 0644);
  EXPECT_EQ(hx::DevInfoReadTree(tree), hx::RC_OK);
  EXPECT_EQ(tree.size(), 1u);
}

// A machine laid out like a Linux host's /sys and /proc (hardware/data/linux-host): processors
// by package and core with one off-line, disks (SCSI, virtio, an optical drive, devices that are
// no disks) and a display card with a connected output.
TEST(LinuxHost, ReadsProcessorsDisksAndDisplays) {
  hxtest::TempDirC base("hxlinux");
  hxtest::CopyTree(HX_SOURCE_DIR "/tests/hardware/data/linux-host", base.Path());
  const std::string scsi = base.File("sys/devices/host0/target0:0:3/0:0:3:2");
  ASSERT_EQ(::symlink(scsi.c_str(), base.File("sys/block/sda/device").c_str()), 0);
  base.Mkdir("sys/class/drm/card0");
  base.Mkdir("sys/class/drm/renderD128");
  struct utsname u;
  ASSERT_EQ(::uname(&u), 0);
  const std::string machine = u.machine;
  hx::KStatChainT chain;
  hx::ReadLinuxKStats(base.Path(), chain);
  EXPECT_EQ(Describe(chain),
            "cpu_info:0:cpu_info0 [misc] chip_id=0| core_id=0| clock_MHz=2534| brand=Xeon E5540| implementation=" +
                machine + " (GenuineIntel family 6 model 26 step 5 clock 2534 MHz)| cpu_type=" + machine +
                "| vendor_id=GenuineIntel| state=on-line|\n"
                "cpu_info:1:cpu_info1 [misc] chip_id=0| core_id=1| clock_MHz=0| brand=| implementation=| cpu_type=" +
                machine + "| vendor_id=| state=off-line|\n"
                "cpu_info:2:cpu_info2 [misc] chip_id=1| core_id=0| clock_MHz=0| brand=| implementation=| cpu_type=" +
                machine + "| vendor_id=GenuineIntel| state=on-line|\n"
                "sderr:0:sda,err [device_error] Vendor=ATA| Product=ST3146| Revision=0006| Serial No=| "
                "Size=1073741824|\n"
                "sderr:1:sr0,err [device_error] Vendor=| Product=| Revision=| Serial No=| Size=1073741824|\n"
                "sderr:2:vda,err [device_error] Vendor=| Product=| Revision=| Serial No=BHYVE-1| Size=1073741824|\n");

  hx::DevTreeT tree;
  hx::ReadLinuxDevices(base.Path(), tree);
  const std::string b = base.Path();
  EXPECT_EQ(Describe(tree), b + "/sys/block/sda sda  -1 ddi_block (sda) class='scsi' target=3, lun=2, |\n" + b +
                                "/sys/block/sr0 sr0  -1 ddi_block:cdrom (sr0) |\n" + b +
                                "/sys/block/vda vda  -1 ddi_block (vda) |\n" + b +
                                "/sys/class/drm/card0 card0  -1 ddi_display (card0) | width=1280, height=800,\n");

  EXPECT_EQ(hx::ParseCpuList("0-3,6, 8-9\n"), (std::vector<int64_t>{0, 1, 2, 3, 6, 8, 9}));
  EXPECT_EQ(hx::ParseCpuList("3-1,x,-2,0-99999999,7"), (std::vector<int64_t>{7}));
}

}  // namespace
