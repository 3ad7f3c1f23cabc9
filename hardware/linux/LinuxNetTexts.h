#pragma once
// The text formats the network adapter configuration reads, as pure functions
// (fuzz target tests/fuzz/fuzz_linux_net_texts.cpp): the snapshot of the
// kernel's address list, /proc/net/route, /proc/net/ipv6_route and
// resolv.conf.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hxlinux {

// One address of the kernel's address list: the interface that holds it, its
// family, the address as inet_ntop writes it ("192.0.2.10", "2001:db8::10")
// and its prefix length.
struct IfAddressT {
  std::string interface;
  bool ipv6 = false;
  std::string address;
  unsigned prefix = 0;

  bool operator==(const IfAddressT& o) const {
    return interface == o.interface && ipv6 == o.ipv6 && address == o.address && prefix == o.prefix;
  }
};

// The address list of a machine snapshot (.snapshot/ifaddrs): one line per
// address, "<interface> inet|inet6 <address>/<prefix>", fields separated by
// blanks, in the kernel's order. Comment lines ("#"), blank lines and lines
// that are no such address (an interface name the kernel would refuse, an
// address that does not parse, a prefix longer than the address) are skipped;
// an address is written back in its canonical form.
std::vector<IfAddressT> ParseIfaddrs(std::string_view text);

// An interface name as the kernel takes it: 1 to 15 bytes, none of them a
// blank, "/" or ":" (an IPv4 label such as "eth0:1" is no interface), not "."
// or "..".
bool IsInterfaceName(std::string_view name);

// The dotted netmask of an IPv4 prefix length ("255.255.255.0" for 24); ""
// past 32.
std::string Ipv4Netmask(unsigned prefix);

// The gateways of the default routes per interface, in the table's order,
// each once: from /proc/net/route (rows "<iface> <destination> <gateway>
// <flags> ... <mask> ...", the numbers in hexadecimal, addresses as the host
// stores them) the rows with destination and mask 0 whose flags say up and
// gateway; from /proc/net/ipv6_route (rows "<destination> <length> <source>
// <length> <next hop> <metric> <refs> <use> <flags> <iface>") the rows of
// destination ::/0 with a next hop and the gateway flag that are no reject
// route.
using GatewaysT = std::map<std::string, std::vector<std::string>>;
GatewaysT DefaultIpv4Gateways(std::string_view procNetRoute);
GatewaysT DefaultIpv6Gateways(std::string_view procNetIpv6Route);

// The resolver's configuration: the "nameserver" addresses in order (each
// once) and the search domains of the last "search" or "domain" line, as the C
// library's resolver reads resolv.conf. Lines starting with "#" or ";" are
// comments; a nameserver that is no address is skipped.
struct ResolverT {
  std::vector<std::string> servers;
  std::vector<std::string> search;
};
ResolverT ParseResolvConf(std::string_view text);

// Whether the resolver only asks systemd-resolved's local stub (127.0.0.53),
// whose real servers are elsewhere.
bool OnlyResolvedStub(const ResolverT& resolver);

}  // namespace hxlinux
