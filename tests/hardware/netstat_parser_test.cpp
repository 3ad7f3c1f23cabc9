// Reading the default gateway from `netstat -nr` output.

#include <gtest/gtest.h>

#include <string>

#include "foundation/core/Text.h"
#include "hardware/unix/NetstatParser.h"

namespace {

StringC GatewayOf(const std::string& text) { return hx::FindDefaultGateway(hx::SplitLines(text)); }

TEST(NetstatGateway, FirstDefaultRouteSecondWord) {
  struct {
    const char* what;
    std::string text;
    const char* gateway;
  } cases[] = {
      {"Solaris default route", "default 10.0.0.1 UG 1 123\n", "10.0.0.1"},
      {"Linux any destination", "0.0.0.0         10.0.0.254      0.0.0.0         UG 0 0 0 eth0\n", "10.0.0.254"},
      {"only the first default line counts", "default 10.0.0.1 UG\ndefault 10.0.0.2 UG\n", "10.0.0.1"},
      {"a first default line with one word gives nothing", "default\ndefault 10.0.0.2 UG\n", ""},
      {"tab separated", "default\t\t192.168.1.1\tUG\n", "192.168.1.1"},
      {"no default route", "10.0.0.0 10.0.0.5 U 1 2 bge0\n127.0.0.1 127.0.0.1 UH 2 118 lo0\n", ""},
      {"the line must begin with it", "  default 10.0.0.1 UG\n10.0.0.0 0.0.0.0 U\n", ""},
      {"nothing", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GatewayOf(c.text), c.gateway) << c.what;
}

TEST(NetstatGateway, BadOutput) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37 + 11) & 0xFF);
  EXPECT_EQ(GatewayOf(binary), "");
  const std::string huge(1 << 20, 'g');
  EXPECT_EQ(GatewayOf("default " + huge + " UG\n"), huge);
  EXPECT_EQ(GatewayOf("default" + std::string(1 << 20, ' ')), "");
}

}  // namespace
