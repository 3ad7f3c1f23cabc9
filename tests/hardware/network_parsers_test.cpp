// Reading `ifconfig -a` output into adapter blocks and adapter settings, and the default
// gateway from `netstat -nr` output.

#include "foundation/core/Text.h"
#include "hardware/unix/IfconfigParser.h"
#include "hardware/unix/NetstatParser.h"
#include "support/TestSupport.h"

namespace {

// Blocks as "name|line|line;name|line" so that a table row can state them in one string.
std::string Describe(const std::vector<hx::IfconfigBlockC>& blocks) {
  std::string out;
  for (const hx::IfconfigBlockC& block : blocks) {
    if (!out.empty()) out += ';';
    out += block.name;
    for (const StringC& line : block.lines) out += '|' + line;
  }
  return out;
}

std::string Describe(const hx::AdapterSettingsC& s) {
  if (s.loopback) return "loopback";
  return "ip=" + s.ipAddress + " mask=" + s.ipSubnet + " ip6=" + s.ipv6Address + " mac=" + s.macAddress +
         (s.ipEnabled ? " enabled" : " disabled");
}

std::vector<hx::IfconfigBlockC> SplitText(const std::string& text) {
  return hx::SplitIfconfigBlocks(hx::SplitLines(text));
}

// Each adapter as a provider would see it: "name settings".
std::vector<std::string> ReadAll(const std::string& text) {
  std::vector<std::string> rows;
  for (const hx::IfconfigBlockC& block : SplitText(text))
    rows.push_back(block.name + " " + Describe(hx::ReadAdapterSettings(block.lines)));
  return rows;
}

TEST(IfconfigBlocks, SplitsAdaptersWhateverTheLayout) {
  struct { const char* what; std::string text; std::string blocks; } cases[] = {
      {"nothing", "", ""},
      {"tab continuation", "e1000g0: flags=1<UP> mtu 1500\n\tinet 10.0.0.1 netmask ffffff00 \n",
       "e1000g0|flags=1<UP> mtu 1500|inet 10.0.0.1 netmask ffffff00"},
      {"blank continuation", "e1000g0: flags=1<UP> mtu 1500\n        ether 8:0:27:fc:ad:56 \n",
       "e1000g0|flags=1<UP> mtu 1500|ether 8:0:27:fc:ad:56"},
      {"two adapters", "a0: x\n\tinet 1.2.3.4\nb0: y\n\tether 1:2\n", "a0|x|inet 1.2.3.4;b0|y|ether 1:2"},
      {"logical interface keeps the physical name", "e1000g0:1: flags=2<UP> mtu 1480\n\tinet6 ::2/64\n",
       "e1000g0|1: flags=2<UP> mtu 1480|inet6 ::2/64"},
      {"blank line ends the adapter and starts none", "eth0: flags=1<UP>\n        inet 10.0.0.5\n\n        inet 9.9.9.9\n",
       "eth0|flags=1<UP>|inet 10.0.0.5"},
      {"older Linux header: name ends at the blank", "eth0      Link encap:Ethernet  HWaddr 00:50:56:AD:00:0E \n",
       "eth0|Link encap:Ethernet  HWaddr 00:50:56:AD:00:0E"},
      {"header without a colon starts no adapter", "a0: x\n\tinet 1.1.1.1\ngarbage here\n\tinet 2.2.2.2\nb0: y\n",
       "a0|x|inet 1.1.1.1;b0|y"},
      {"empty name starts no adapter", ": flags=1<UP>\n\tinet 1.1.1.1\n", ""},
      {"continuation before any adapter is dropped", "\tinet 1.1.1.1\n  ether 1:2:3\nz0: q\n", "z0|q"},
      {"indented blank line keeps the adapter open", "a0: x\n\t \n\tinet 1.1.1.1\n", "a0|x|inet 1.1.1.1"},
      {"header with nothing after the colon", "a0:\n\tinet 1.1.1.1\n", "a0||inet 1.1.1.1"},
      {"CRLF line ends", "a0: x\r\n\tinet 1.1.1.1\r\n", "a0|x|inet 1.1.1.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(SplitText(c.text)), c.blocks) << c.what;
}

TEST(IfconfigSettings, ReadsKeyValuePairs) {
  struct { const char* what; StringArrayC lines; std::string settings; } cases[] = {
      {"Solaris IPv4", {"flags=1004843<UP,BROADCAST,RUNNING,MULTICAST,DHCP,IPv4> mtu 1500 index 2",
                        "inet 192.168.1.97 netmask ffffff00 broadcast 192.168.1.255", "ether 0:c:29:5:a:1b"},
       "ip=192.168.1.97 mask=255.255.255.0 ip6= mac=00:0c:29:05:0a:1b enabled"},
      {"IPv6 address kept as printed", {"flags=2000841<UP,RUNNING,MULTICAST,IPv6> mtu 1480 index 2", "inet6 fe80::1/10"},
       "ip= mask= ip6=fe80::1/10 mac= enabled"},
      {"ether only", {"flags=1000842<BROADCAST,RUNNING,MULTICAST,IPv4> mtu 1500 index 3", "ether 0:3:BA:4:E:F2"},
       "ip= mask= ip6= mac=00:03:BA:04:0E:F2 disabled"},
      {"loopback anywhere", {"flags=2001000849<UP,LOOPBACK,RUNNING> mtu 8232", "inet 127.0.0.1 netmask ff000000"},
       "loopback"},
      {"Linux dotted netmask kept", {"inet 10.0.0.5  netmask 255.255.255.0  broadcast 10.0.0.255",
                                     "inet6 fe80::fc:1ff:fe02:304  prefixlen 64  scopeid 0x20<link>",
                                     "ether 02:fc:01:02:03:04  txqueuelen 1000  (Ethernet)"},
       "ip=10.0.0.5 mask=255.255.255.0 ip6=fe80::fc:1ff:fe02:304 mac=02:fc:01:02:03:04 enabled"},
      {"older Linux labels", {"Link encap:Ethernet  HWaddr 00:50:56:AD:00:0E",
                              "inet addr:192.168.1.181  Bcast:192.168.1.255  Mask:255.255.255.0",
                              "inet6 addr: fe80::250:56ff:fead:e/64 Scope:Link", "UP BROADCAST RUNNING MULTICAST  MTU:1500  Metric:1"},
       "ip=192.168.1.181 mask=255.255.255.0 ip6=fe80::250:56ff:fead:e/64 mac=00:50:56:AD:00:0E enabled"},
      {"logical interface header", {"1: flags=20002080841<UP,RUNNING,MULTICAST,ADDRCONF,IPv6> mtu 1500 index 2",
                                    "inet6 2a01:e0a::fb04/64"},
       "ip= mask= ip6=2a01:e0a::fb04/64 mac= enabled"},
      {"last value wins", {"inet 1.1.1.1", "inet 2.2.2.2 netmask ff000000", "netmask ffffff00"},
       "ip=2.2.2.2 mask=255.255.255.0 ip6= mac= enabled"},
      {"key without a value", {"mtu 1500 inet"}, "ip= mask= ip6= mac= disabled"},
      {"odd words shift nothing past the line", {"broadcast", "inet 3.3.3.3 mtu"}, "ip=3.3.3.3 mask= ip6= mac= enabled"},
      {"addr label with nothing after it", {"inet addr:"}, "ip= mask= ip6= mac= disabled"},
      {"netmask that is no number", {"inet 4.4.4.4 netmask zzzz"}, "ip=4.4.4.4 mask=0.0.0.0 ip6= mac= enabled"},
      {"keys compare exactly", {"INET 5.5.5.5 Ether 1:2:3", "inet4 6.6.6.6"}, "ip= mask= ip6= mac= disabled"},
      {"nothing", {}, "ip= mask= ip6= mac= disabled"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(hx::ReadAdapterSettings(c.lines)), c.settings) << c.what;
}

TEST(IfconfigSettings, NetmaskAndHardwareAddressForms) {
  const std::pair<const char*, const char*> masks[] = {
      {"ffffff00", "255.255.255.0"}, {"ffff0000", "255.255.0.0"},   {"fffffe00", "255.255.254.0"},
      {"FFFFFF80", "255.255.255.128"}, {"0xffffffe0", "255.255.255.224"}, {"0", "0.0.0.0"},
      {"255.255.0.0", "255.255.0.0"}, {"zzzz", "0.0.0.0"},           {"", "0.0.0.0"},
      {"ffffff00zz", "255.255.255.0"},  // digits up to the first other character
      {"123456789", "35.69.103.137"},   // more than 32 bits: the low 32 bits
  };
  for (const auto& [in, out] : masks) EXPECT_EQ(hx::NetmaskToDotted(in), out) << in;

  const std::pair<const char*, const char*> macs[] = {
      {"0:c:29:5:a:1b", "00:0c:29:05:0a:1b"}, {"8:0:27:FC:AD:56", "08:00:27:FC:AD:56"},
      {"02:fc:01:02:03:04", "02:fc:01:02:03:04"}, {"", ""}, {"::", "::"}, {"a", "0a"}, {"abc:d", "abc:0d"},
  };
  for (const auto& [in, out] : macs) EXPECT_EQ(hx::PadMacAddress(in), out) << in;
}

// Captured output of Solaris releases and of Linux (blank-indented, and the older layout with
// labels), against the adapters each gives, one a line, in hardware/data/ifconfig-captured.
TEST(IfconfigFixtures, CapturedOutput) {
  const std::string dir = HX_SOURCE_DIR "/../shared/fixtures/captured/ifconfig/";
  const std::string expected = HX_SOURCE_DIR "/tests/hardware/data/ifconfig-captured/";
  if (hxtest::ReadFile(dir + "solaris-10").empty()) GTEST_SKIP() << "no captured tool output here";
  for (const char* file : {"solaris-10", "opensolaris", "oi-2021.10", "linux-el8", "linux-bonding"}) {
    SCOPED_TRACE(file);
    const std::vector<std::string> adapters = hx::SplitLines(hxtest::ReadFile(expected + file));
    ASSERT_FALSE(adapters.empty());
    EXPECT_EQ(ReadAll(hxtest::ReadFile(dir + file)), adapters);
  }
}

// Arbitrary bytes are the fuzz target's; a block of megabyte lines is read whole.
TEST(IfconfigLongOutput, ReadWhole) {
  const std::string longLine(1 << 20, 'x');
  EXPECT_EQ(ReadAll("e0: " + longLine + "\n\tinet " + longLine + " netmask " + std::string(1 << 20, 'f') + "\n"),
            std::vector<std::string>{"e0 ip=" + longLine + " mask=255.255.255.255 ip6= mac= enabled"});
}

StringC GatewayOf(const std::string& text) { return hx::FindDefaultGateway(hx::SplitLines(text)); }

TEST(NetstatGateway, FirstDefaultRouteSecondWord) {
  struct { const char* what; std::string text; const char* gateway; } cases[] = {
      {"Solaris default route", "default 10.0.0.1 UG 1 123\n", "10.0.0.1"},
      {"Linux any destination", "0.0.0.0         10.0.0.254      0.0.0.0         UG 0 0 0 eth0\n", "10.0.0.254"},
      {"only the first default line counts", "default 10.0.0.1 UG\ndefault 10.0.0.2 UG\n", "10.0.0.1"},
      {"a first default line with one word gives nothing", "default\ndefault 10.0.0.2 UG\n", ""},
      {"tab separated", "default\t\t192.168.1.1\tUG\n", "192.168.1.1"},
      {"no default route", "10.0.0.0 10.0.0.5 U 1 2 bge0\n127.0.0.1 127.0.0.1 UH 2 118 lo0\n", ""},
      {"the line must begin with it", "  default 10.0.0.1 UG\n10.0.0.0 0.0.0.0 U\n", ""},
      {"nothing", "", ""},
      {"a megabyte gateway", "default " + std::string(1 << 20, 'g') + " UG\n", nullptr},
      {"a megabyte of blanks", "default" + std::string(1 << 20, ' '), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GatewayOf(c.text), c.gateway ? c.gateway : std::string(1 << 20, 'g')) << c.what;
}

}  // namespace
