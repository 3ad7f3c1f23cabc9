// Arbitrary bytes as the address list snapshot, /proc/net/route, /proc/net/ipv6_route and
// resolv.conf: every address kept parses again to itself, with a prefix its family allows.

#include <arpa/inet.h>

#include "FuzzSupport.h"
#include "hardware/linux/LinuxNetTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  for (const hxlinux::IfAddressT& a : hxlinux::ParseIfaddrs(text)) {
    const std::string line = a.interface + (a.ipv6 ? " inet6 " : " inet ") + a.address + "/" + std::to_string(a.prefix);
    hxfuzz::Check(hxlinux::IsInterfaceName(a.interface) && a.prefix <= (a.ipv6 ? 128u : 32u) &&
                  hxlinux::ParseIfaddrs(line) == std::vector<hxlinux::IfAddressT>{a});
  }
  unsigned char bytes[16];
  for (const hxlinux::GatewaysT& table : {hxlinux::DefaultIpv4Gateways(text), hxlinux::DefaultIpv6Gateways(text)}) {
    for (const auto& [iface, gateways] : table) {
      for (const std::string& g : gateways)
        hxfuzz::Check(::inet_pton(AF_INET, g.c_str(), bytes) == 1 || ::inet_pton(AF_INET6, g.c_str(), bytes) == 1);
    }
  }
  const hxlinux::ResolverT resolver = hxlinux::ParseResolvConf(text);
  hxfuzz::Check(resolver.servers.size() <= text.size() && resolver.search.size() <= text.size());
  return 0;
}
