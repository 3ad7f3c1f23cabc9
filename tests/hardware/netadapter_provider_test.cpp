// The network adapter configuration provider over fake ifconfig and netstat tools in a
// fixture machine (TARVOSKSYSROOT), found through the /sbin and /usr/sbin it puts on the PATH.
// The Solaris provider, the same code under its own name, is shown by the fixture machines.

#include "hardware/unix/HWClass_UnixNetworkAdapterConfiguration.h"
#include "hardware/HardwareTestSupport.h"

namespace {

const std::string c_Data = HX_SOURCE_DIR "/tests/hardware/data/";
const char* const c_Class = "TVK_NetworkAdapterConfiguration";

// What a fake tool does: print a file (or nothing) and exit with a status, or die by a signal.
struct ToolC {
  ToolC(std::string output = std::string(), int exit = 0) : outputFile(std::move(output)), exitStatus(exit) {}
  static ToolC Absent() {
    ToolC tool;
    tool.installed = false;
    return tool;
  }

  bool installed = true;
  std::string outputFile;  // empty: prints nothing
  int exitStatus = 0;      // -1: killed
};

class NetAdapterTest : public ::testing::Test {
 protected:
  void Install(const char* name, const ToolC& tool) {
    if (!tool.installed) return;
    std::string body = tool.outputFile.empty() ? "" : "cat '" + tool.outputFile + "'\n";
    body += tool.exitStatus < 0 ? "kill -9 $$" : "exit " + std::to_string(tool.exitStatus);
    machine_.Tool(std::string("/usr/sbin/") + name, name, body);
  }
  std::string Output(const std::string& text) { return machine_.Root().Write("out/" + std::to_string(outputs_++), text); }
  std::string Ran() const { return machine_.Ran(); }

  hxhw::FakeMachineC machine_{"/usr/bin:/bin"};
  int outputs_ = 0;
};

// Instances as "Name{Prop=Value,...}" lines, properties sorted, class names checked.
std::string Describe(const HWInstanceListT& instances, const char* className) {
  std::string text;
  for (const RefM<HWInstance>& i : instances) {
    EXPECT_EQ(i->GetClassName(), className);
    EXPECT_EQ(i->GetEvidence(), "");
    text += i->GetName() + "{";
    for (const StringC& name : i->GetProperties().SortedNames()) text += name + "=" + i->GetProperty(name) + ",";
    text += "}\n";
  }
  return text;
}

hx::ResultT Inventory(HWClass_UnixNetworkAdapterConfiguration* provider, HWInstanceListT& instances,
                      const char* className = c_Class) {
  RefM<HWClass_UnixNetworkAdapterConfiguration> held(provider);
  return held->GetInventory(instances, className, PropertyMap());
}

TEST_F(NetAdapterTest, AdaptersGatewaysAndToolFailures) {
  const std::string solaris = c_Data + "ifconfig-solaris.txt";
  const std::string solarisRoutes = c_Data + "netstat-solaris.txt";
  const std::string etherOnly = Output("e0: flags=1000842<BROADCAST,RUNNING,MULTICAST,IPv4> mtu 1500 index 3\n"
                                       "\tether 0:c:29:5:a:1b\n");
  const std::string loopOnly = Output("lo0: flags=2001000849<UP,LOOPBACK,RUNNING> mtu 8232 index 1\n"
                                      "\tinet 127.0.0.1 netmask ff000000\n");
  const std::string twoAddressed = Output("a0: flags=1<UP> mtu 1500\n\tinet 10.0.0.5 netmask ffff0000\n"
                                          "b0: flags=1<UP> mtu 1500\n\tinet6 fe80::1/10\n");
  const std::string etherIpEther = Output("e0: flags=1<UP>\n\tether 1:2:3:4:5:6\ne1: flags=1<UP>\n\tinet 10.0.0.9\n"
                                          "e2: flags=1<UP>\n\tether 1:2:3:4:5:7\n");
  const std::string defaultRoute = Output("default 10.0.0.1 UG 1 123\n");
  const std::string noDefault = Output("10.0.0.0 10.0.0.5 U 1 2 a0\n");

  const std::string solarisInstances =
      "bge0{Caption=bge0,DefaultIPGateway=10.20.30.1,IPAddress=10.20.30.40,IPEnabled=TRUE,IPSubnet=255.255.255.0,"
      "MACAddress=00:03:ba:04:0e:f1,Name=bge0,}\n"
      "bge0{Caption=bge0,DefaultIPGateway=10.20.30.1,IPAddress=10.20.30.41,IPEnabled=TRUE,IPSubnet=255.255.0.0,"
      "Name=bge0,}\n"
      "bge1{Caption=bge1,IPEnabled=FALSE,MACAddress=00:03:BA:04:0E:F2,Name=bge1,}\n"
      "bge0{Caption=bge0,DefaultIPGateway=10.20.30.1,IPEnabled=TRUE,IPv6Address=fe80::203:baff:fe04:ef1/10,"
      "MACAddress=00:03:ba:04:0e:f1,Name=bge0,}\n";
  struct { const char* what; ToolC ifconfig, netstat; hx::ResultT result; const char* ran; std::string instances; }
  cases[] = {
      {"Solaris host: one routing table read for all adapters", {solaris}, {solarisRoutes}, 0,
       "ifconfig\nnetstat\n", solarisInstances},
      {"default route for every addressed adapter", {twoAddressed}, {defaultRoute}, 0, "ifconfig\nnetstat\n",
       "a0{Caption=a0,DefaultIPGateway=10.0.0.1,IPAddress=10.0.0.5,IPEnabled=TRUE,IPSubnet=255.255.0.0,Name=a0,}\n"
       "b0{Caption=b0,DefaultIPGateway=10.0.0.1,IPEnabled=TRUE,IPv6Address=fe80::1/10,Name=b0,}\n"},
      {"no default route: no gateway", {twoAddressed}, {noDefault}, 0, "ifconfig\nnetstat\n",
       "a0{Caption=a0,IPAddress=10.0.0.5,IPEnabled=TRUE,IPSubnet=255.255.0.0,Name=a0,}\n"
       "b0{Caption=b0,IPEnabled=TRUE,IPv6Address=fe80::1/10,Name=b0,}\n"},
      {"ether only: netstat not run", {etherOnly}, ToolC::Absent(), 0, "ifconfig\n",
       "e0{Caption=e0,IPEnabled=FALSE,MACAddress=00:0c:29:05:0a:1b,Name=e0,}\n"},
      {"loopback only", {loopOnly}, {defaultRoute}, 0, "ifconfig\n", ""},
      {"ifconfig prints nothing", {""}, {defaultRoute}, 0, "ifconfig\n", ""},
      {"ifconfig exits with 1", {solaris, 1}, {solarisRoutes}, 1, "ifconfig\n", ""},
      {"ifconfig killed", {solaris, -1}, {solarisRoutes}, -1, "ifconfig\n", ""},
      {"no ifconfig", ToolC::Absent(), {solarisRoutes}, -1, "", ""},
      {"netstat fails: the adapter is dropped and the walk ends", {etherIpEther}, {defaultRoute, 2}, 1,
       "ifconfig\nnetstat\n", "e0{Caption=e0,IPEnabled=FALSE,MACAddress=01:02:03:04:05:06,Name=e0,}\n"},
      {"netstat killed", {etherIpEther}, {defaultRoute, -1}, -1, "ifconfig\nnetstat\n",
       "e0{Caption=e0,IPEnabled=FALSE,MACAddress=01:02:03:04:05:06,Name=e0,}\n"},
      {"no netstat", {twoAddressed}, ToolC::Absent(), -1, "ifconfig\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    machine_.ClearRan();
    std::remove(machine_.Root().File("usr/sbin/ifconfig").c_str());
    std::remove(machine_.Root().File("usr/sbin/netstat").c_str());
    Install("ifconfig", c.ifconfig);
    Install("netstat", c.netstat);
    HWInstanceListT instances;
    const hx::ResultT rc = Inventory(new HWClass_UnixNetworkAdapterConfiguration, instances);
    if (c.result < 0) EXPECT_LT(rc, 0);
    else EXPECT_EQ(rc, c.result);
    EXPECT_EQ(Ran(), c.ran);
    EXPECT_EQ(Describe(instances, c_Class), c.instances);
  }
}

TEST_F(NetAdapterTest, AppendsUnderTheGivenClassAndPutsSbinOnThePath) {
  Install("ifconfig", {c_Data + "ifconfig-solaris.txt"});
  Install("netstat", {c_Data + "netstat-solaris.txt"});
  HWInstanceListT instances;
  instances.push_back(RefM<HWInstance>(new HWInstance("TVK_Processor", "0", "")));
  ASSERT_EQ(Inventory(new HWClass_UnixNetworkAdapterConfiguration, instances, "MyAdapters"), 0);
  ASSERT_EQ(instances.size(), 5u);
  EXPECT_EQ(instances[0]->GetClassName(), "TVK_Processor");
  for (size_t i = 1; i < instances.size(); ++i) EXPECT_EQ(instances[i]->GetClassName(), "MyAdapters");
  EXPECT_STREQ(std::getenv("PATH"), "/usr/sbin:/sbin:/usr/bin:/bin");

  // A second run leaves the PATH as it is and reads the routing table again.
  machine_.ClearRan();
  HWInstanceListT again;
  ASSERT_EQ(Inventory(new HWClass_UnixNetworkAdapterConfiguration, again), 0);
  EXPECT_EQ(std::getenv("PATH"), std::string("/usr/sbin:/sbin:/usr/bin:/bin"));
  EXPECT_EQ(Ran(), "ifconfig\nnetstat\n");
}

}  // namespace
