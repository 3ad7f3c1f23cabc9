// The stand-ins for the Solaris interfaces: the snapshot formats read into their models, the
// rules for a missing or untrustworthy snapshot file.

#include "hardware/HardwareTestSupport.h"
#include "platform/DevInfo.h"
#include "platform/KStat.h"
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

}  // namespace
