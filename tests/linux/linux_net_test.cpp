// The network adapters of a machine tree made here, and the live host's
// address list against the C library's: every address where the kernel has
// it, the gateways, the resolver's servers behind systemd-resolved's stub, and
// only resolver files that nobody but root or the resolver itself could write.

#include <arpa/inet.h>
#include <ifaddrs.h>

#include <regex>
#include <set>

#include "hardware/HardwareTestSupport.h"
#include "hardware/linux/HWClass_LinuxNetworkAdapterConfiguration.h"
#include "hardware/linux/LinuxNetlink.h"

namespace {

std::string Adapters() {
  hxhw::ProviderC<TrkTrackLinuxNetworkAdapterConfigurationFactoryC, HWClass_LinuxNetworkAdapterConfiguration> provider;
  HWInstanceListT instances;
  EXPECT_EQ(provider->GetInventory(instances, "TVK_NetworkAdapterConfiguration", PropertyMap()), hx::RC_OK);
  // Empty values, which are never written.
  return std::regex_replace(hxhw::InstancesText(instances), std::regex("  \\w+=\n"), "");
}

TEST(LinuxNetworkAdapters, EveryAddressGatewayAndResolver) {
  HX_TEST_NEEDS_ROOT();
  hxtest::TempDirC root("hx-net");
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root.Path().c_str());
  // <file below /sys/class/net> <content>
  for (const std::string& line : hx::SplitLines(
           "lo/flags 0x9\neth0/flags 0x1003\neth0/address 52:54:00:12:34:56\neth0/mtu 1500\neth0/operstate up\n"
           "eth0/speed 1000\nwlan0/flags 0x1003\nwlan0/address 00:00:00:00:00:00\nwlan0/operstate dormant\n"
           "wlan0/speed -1\ndummy0/operstate down\nbonding_masters bond0\n"))
    root.Write("sys/class/net/" + line.substr(0, line.find(' ')), line.substr(line.find(' ') + 1) + "\n");
  root.Mkdir("sys/class/net/eth0/device");
  ASSERT_EQ(::symlink("../../../../../bus/pci/drivers/e1000e", root.File("sys/class/net/eth0/device/driver").c_str()),
            0);
  // The kernel prints an IPv4 route's addresses as numbers in the host's order.
  uint32_t gateway = 0;
  ::inet_pton(AF_INET, "192.0.2.1", &gateway);
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", gateway);
  root.Write("proc/net/route", hx::ReplaceAll("Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                              "eth0\t00000000\tGW\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                                              "eth0\t000200C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
                                              "wlan0\t00000000\tGW\t0001\t0\t0\t600\t00000000\t0\t0\t0\n",
                                              "GW", hex));
  root.Write("proc/net/ipv6_route",
             hx::ReplaceAll("Z 00 Z 00 fe800000000000000000000000000001 00000400 1 0 00450003 eth0\n"
                            "20010db8000000000000000000000000 40 Z 00 Z 00000100 1 0 00000001 eth0\n"
                            "Z 00 Z 00 Z ffffffff 1 0 00200200 lo\n",
                            "Z", std::string(32, '0')));
  root.Write(".snapshot/ifaddrs",
             "lo inet 127.0.0.1/8\neth0 inet 192.0.2.10/24\neth0 inet6 2001:DB8:0::10/64\n"
             "eth0 inet 198.51.100.7/25\neth0 inet6 fe80::5054:ff:fe12:3456/64\n"
             "eth0:1 inet 192.0.2.99/24\neth0 inet 300.1.1.1/24\neth0 inet6 ::1/129\n"
             "wlan0 inet 10.1.2.3/8\n");
  root.Write("etc/passwd", "root:x:0:0::/root:/bin/sh\nsystemd-resolve:x:991:991::/run/systemd:/usr/sbin/nologin\n");
  root.Write("etc/resolv.conf", "# stub\nnameserver 127.0.0.53\noptions edns0\nsearch stub.example\n");
  const std::string real = root.Write("run/systemd/resolve/resolv.conf",
                                      "nameserver 192.0.2.53\nnameserver fe80::53%eth0\nnameserver bogus\n"
                                      "domain lab.example\nsearch corp.example lab.example\n");
  ASSERT_EQ(::chown(real.c_str(), 991, 991), 0);
  const std::string dns =
      "  DNSDomainSuffixSearchOrder=corp.example;lab.example\n"
      "  DNSServerSearchOrder=192.0.2.53;fe80::53%eth0\n";
  EXPECT_EQ(Adapters(),
            "TVK_NetworkAdapterConfiguration|dummy0|\n  Caption=dummy0\n  IPEnabled=FALSE\n  Name=dummy0\n"
            "  NetConnectionStatus=down\nTVK_NetworkAdapterConfiguration|eth0|\n  Caption=eth0\n" +
                dns +
                "  DefaultIPGateway=192.0.2.1\n  DefaultIPv6Gateway=fe80::1\n  Driver=e1000e\n"
                "  IPAddress=192.0.2.10;198.51.100.7\n  IPEnabled=TRUE\n  IPSubnet=255.255.255.0;255.255.255.128\n"
                "  IPv6Address=2001:db8::10;fe80::5054:ff:fe12:3456\n  IPv6PrefixLength=64;64\n"
                "  MACAddress=52:54:00:12:34:56\n  MTU=1500\n  Name=eth0\n  NetConnectionStatus=up\n  Speed=1000\n"
                "TVK_NetworkAdapterConfiguration|wlan0|\n  Caption=wlan0\n" +
                dns +
                "  IPAddress=10.1.2.3\n  IPEnabled=TRUE\n  IPSubnet=255.0.0.0\n  Name=wlan0\n  "
                "NetConnectionStatus=dormant\n");
  // The real servers written by an account that is not the resolver's: the stub stays.
  ASSERT_EQ(::chown(real.c_str(), 992, 992), 0);
  EXPECT_TRUE(
      hxtest::Contains(Adapters(), "DNSDomainSuffixSearchOrder=stub.example\n  DNSServerSearchOrder=127.0.0.53\n"));
}

// The netlink dump gives what getifaddrs gives: every address with its prefix.
TEST(LinuxNetworkAdapters, KernelAddressListAgreesWithGetifaddrs) {
  std::vector<hxlinux::IfAddressT> addresses;
  ASSERT_TRUE(hxlinux::KernelAddresses(addresses));
  std::multiset<std::string> ours, theirs;
  for (const hxlinux::IfAddressT& a : addresses)
    ours.insert(a.interface + " " + a.address + "/" + std::to_string(a.prefix));
  ifaddrs* list = nullptr;
  ASSERT_EQ(::getifaddrs(&list), 0);
  for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || (i->ifa_addr->sa_family != AF_INET && i->ifa_addr->sa_family != AF_INET6)) continue;
    const bool v6 = i->ifa_addr->sa_family == AF_INET6;
    const void* address = v6 ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(i->ifa_addr)->sin6_addr)
                             : &reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
    const auto* mask = reinterpret_cast<const unsigned char*>(
        v6 ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(i->ifa_netmask)->sin6_addr)
           : &reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr);
    int prefix = 0;
    for (size_t b = 0; b < (v6 ? 16u : 4u); ++b) prefix += __builtin_popcount(mask[b]);
    char text[INET6_ADDRSTRLEN];
    ::inet_ntop(i->ifa_addr->sa_family, address, text, sizeof text);
    theirs.insert(std::string(i->ifa_name) + " " + text + "/" + std::to_string(prefix));
  }
  ::freeifaddrs(list);
  EXPECT_EQ(ours, theirs);
}

TEST(LinuxNetTexts, ResolverAndNetmasks) {
  const hxlinux::ResolverT r = hxlinux::ParseResolvConf(
      "search a.example b.example\n; comment\n nameserver 192.0.2.1\nnameserver 192.0.2.2\nnameserver 192.0.2.2\n"
      "domain only.example\n");
  EXPECT_EQ(r.servers, std::vector<std::string>{"192.0.2.2"});
  EXPECT_EQ(r.search, std::vector<std::string>{"only.example"});
  EXPECT_FALSE(hxlinux::OnlyResolvedStub(r));
  const std::pair<unsigned, const char*> masks[] = {
      {0, "0.0.0.0"}, {1, "128.0.0.0"}, {23, "255.255.254.0"}, {32, "255.255.255.255"}, {33, ""}};
  for (const auto& [prefix, mask] : masks) EXPECT_EQ(hxlinux::Ipv4Netmask(prefix), mask) << prefix;
}

}  // namespace
