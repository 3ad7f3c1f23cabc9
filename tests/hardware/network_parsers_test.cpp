// Reading `ifconfig -a` output into adapter blocks and adapter settings, and the default
// gateway from `netstat -nr` output.

#include "foundation/core/Text.h"
#include "hardware/unix/IfconfigParser.h"
#include "hardware/unix/NetstatParser.h"
#include "support/TestSupport.h"

namespace {

// Blocks as "name|line|line", one a line.
std::string Describe(const std::vector<hx::IfconfigBlockC>& blocks) {
  std::string out;
  for (const hx::IfconfigBlockC& block : blocks) {
    out += block.name;
    for (const StringC& line : block.lines) out += '|' + line;
    out += '\n';
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
  // The cases: `ifconfig -a` output, then its blocks as Describe shows them.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("ifconfig-blocks.txt"))
    EXPECT_EQ(Describe(SplitText(c.texts.at(0))), c.texts.at(1)) << c.what;
}

TEST(IfconfigSettings, ReadsKeyValuePairs) {
  // The cases: the lines of one adapter block, then its settings as Describe shows them.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("ifconfig-settings.txt"))
    EXPECT_EQ(Describe(hx::ReadAdapterSettings(hx::SplitLines(c.texts.at(0)))) + "\n", c.texts.at(1)) << c.what;
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
  // The cases: `netstat -nr` output, then the gateway found.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("netstat-gateways.txt"))
    EXPECT_EQ(GatewayOf(c.texts.at(0)) + "\n", c.texts.at(1)) << c.what;
  const std::string huge(1 << 20, 'g');
  EXPECT_EQ(GatewayOf("default " + huge + " UG\n"), huge);
  EXPECT_EQ(GatewayOf("default" + std::string(1 << 20, ' ')), "");  // blanks to the end, no line end
}

}  // namespace
