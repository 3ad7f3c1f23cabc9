#include "hardware/linux/LinuxNetTexts.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace hxlinux {
namespace {

constexpr size_t c_MaxInterfaceName = 15;  // IFNAMSIZ less its final zero
constexpr unsigned c_Ipv4Bits = 32;
constexpr unsigned c_Ipv6Bits = 128;
constexpr const char* c_Inet = "inet";
constexpr const char* c_Inet6 = "inet6";
constexpr char c_Comment = '#';
constexpr char c_ResolverComment = ';';

// The route flags of the kernel's tables.
constexpr uint64_t c_RouteUp = 0x0001;
constexpr uint64_t c_RouteGateway = 0x0002;
constexpr uint64_t c_RouteReject = 0x0200;

// /proc/net/route: the fields of a row.
constexpr size_t c_RouteIface = 0, c_RouteDestination = 1, c_RouteGatewayField = 2, c_RouteFlags = 3, c_RouteMask = 7;
// /proc/net/ipv6_route: the fields of a row.
constexpr size_t c_Route6Destination = 0, c_Route6Length = 1, c_Route6NextHop = 4, c_Route6Flags = 8, c_Route6Iface = 9;
constexpr size_t c_Ipv6HexDigits = 32;

constexpr const char* c_ResolvedStub = "127.0.0.53";

// The canonical text of an address of the family, "" when it is none.
std::string Canonical(bool ipv6, const std::string& text) {
  unsigned char bytes[sizeof(in6_addr)];
  char out[INET6_ADDRSTRLEN];
  const int family = ipv6 ? AF_INET6 : AF_INET;
  if (::inet_pton(family, text.c_str(), bytes) != 1) return std::string();
  return ::inet_ntop(family, bytes, out, sizeof out) != nullptr ? std::string(out) : std::string();
}

void AddOnce(std::vector<std::string>& list, const std::string& value) {
  if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

HX_NODISCARD bool Hex(std::string_view text, uint64_t& value) {
  return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos &&
         hx::ParseUInt64(text, value, 16);
}

// 32 hexadecimal digits as the 16 bytes of an IPv6 address, in order.
HX_NODISCARD bool Ipv6FromHex(std::string_view hex, in6_addr& address) {
  if (hex.size() != c_Ipv6HexDigits) return false;
  for (size_t i = 0; i < sizeof address.s6_addr; ++i) {
    uint64_t byte = 0;
    if (!Hex(hex.substr(2 * i, 2), byte)) return false;
    address.s6_addr[i] = static_cast<unsigned char>(byte);
  }
  return true;
}

}  // namespace

bool IsInterfaceName(std::string_view name) {
  return !name.empty() && name.size() <= c_MaxInterfaceName && name != "." && name != ".." &&
         std::none_of(name.begin(), name.end(),
                      [](char c) { return c == '/' || c == ':' || c == '\0' || hx::IsBlank(c); });
}

std::vector<IfAddressT> ParseIfaddrs(std::string_view text) {
  std::vector<IfAddressT> list;
  for (const std::string& line : hx::SplitLines(text)) {
    const std::vector<std::string> fields = hx::SplitBlanks(line);
    if (fields.size() != 3 || !IsInterfaceName(fields[0]) || (fields[1] != c_Inet && fields[1] != c_Inet6)) continue;
    IfAddressT entry;
    entry.interface = fields[0];
    entry.ipv6 = fields[1] == c_Inet6;
    const size_t slash = fields[2].find('/');
    uint64_t prefix = 0;
    if (slash == std::string::npos || fields[2].find_first_not_of("0123456789", slash + 1) != std::string::npos ||
        !hx::ParseUInt64(std::string_view(fields[2]).substr(slash + 1), prefix) ||
        prefix > (entry.ipv6 ? c_Ipv6Bits : c_Ipv4Bits))
      continue;
    entry.address = Canonical(entry.ipv6, fields[2].substr(0, slash));
    entry.prefix = static_cast<unsigned>(prefix);
    if (!entry.address.empty()) list.push_back(entry);
  }
  return list;
}

std::string Ipv4Netmask(unsigned prefix) {
  if (prefix > c_Ipv4Bits) return std::string();
  const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (c_Ipv4Bits - prefix);
  return std::to_string(mask >> 24) + "." + std::to_string((mask >> 16) & 0xFF) + "." +
         std::to_string((mask >> 8) & 0xFF) + "." + std::to_string(mask & 0xFF);
}

GatewaysT DefaultIpv4Gateways(std::string_view procNetRoute) {
  GatewaysT gateways;
  for (const std::string& line : hx::SplitLines(procNetRoute)) {
    const std::vector<std::string> f = hx::SplitBlanks(line);
    uint64_t destination = 1, gateway = 0, flags = 0, mask = 1;
    // The heading ("Iface Destination ...") has no numbers there and drops out.
    if (f.size() <= c_RouteMask || !Hex(f[c_RouteDestination], destination) || !Hex(f[c_RouteGatewayField], gateway) ||
        !Hex(f[c_RouteFlags], flags) || !Hex(f[c_RouteMask], mask))
      continue;
    if (destination != 0 || mask != 0 || gateway == 0 || gateway > UINT32_MAX ||
        (flags & (c_RouteUp | c_RouteGateway)) != (c_RouteUp | c_RouteGateway))
      continue;
    // The kernel prints the address as the number it stores, in the host's own
    // byte order.
    in_addr address{};
    const uint32_t stored = static_cast<uint32_t>(gateway);
    std::memcpy(&address.s_addr, &stored, sizeof stored);
    char text[INET_ADDRSTRLEN];
    if (::inet_ntop(AF_INET, &address, text, sizeof text) != nullptr) AddOnce(gateways[f[c_RouteIface]], text);
  }
  return gateways;
}

GatewaysT DefaultIpv6Gateways(std::string_view procNetIpv6Route) {
  GatewaysT gateways;
  for (const std::string& line : hx::SplitLines(procNetIpv6Route)) {
    const std::vector<std::string> f = hx::SplitBlanks(line);
    in6_addr destination{}, nextHop{};
    uint64_t length = 1, flags = 0;
    if (f.size() <= c_Route6Iface || !Ipv6FromHex(f[c_Route6Destination], destination) ||
        !Hex(f[c_Route6Length], length) || !Ipv6FromHex(f[c_Route6NextHop], nextHop) || !Hex(f[c_Route6Flags], flags))
      continue;
    if (length != 0 || !IN6_IS_ADDR_UNSPECIFIED(&destination) || IN6_IS_ADDR_UNSPECIFIED(&nextHop) ||
        (flags & c_RouteGateway) == 0 || (flags & c_RouteReject) != 0)
      continue;
    char text[INET6_ADDRSTRLEN];
    if (::inet_ntop(AF_INET6, &nextHop, text, sizeof text) != nullptr) AddOnce(gateways[f[c_Route6Iface]], text);
  }
  return gateways;
}

ResolverT ParseResolvConf(std::string_view text) {
  ResolverT resolver;
  for (const std::string& line : hx::SplitLines(text)) {
    // A keyword starts its line: an indented line is none.
    if (line.empty() || line[0] == c_Comment || line[0] == c_ResolverComment || hx::IsBlank(line[0])) continue;
    const std::vector<std::string> words = hx::SplitBlanks(line);
    if (words.size() < 2) continue;
    if (words[0] == "nameserver") {
      // A link-local IPv6 server carries its interface: "fe80::1%eth0".
      const std::string address = words[1].substr(0, words[1].find('%'));
      if (!Canonical(false, address).empty() || !Canonical(true, address).empty()) AddOnce(resolver.servers, words[1]);
    } else if (words[0] == "search" || words[0] == "domain") {
      resolver.search.assign(words.begin() + 1, words[0] == "domain" ? words.begin() + 2 : words.end());
    }
  }
  return resolver;
}

bool OnlyResolvedStub(const ResolverT& resolver) {
  return resolver.servers.size() == 1 && resolver.servers[0] == c_ResolvedStub;
}

}  // namespace hxlinux
