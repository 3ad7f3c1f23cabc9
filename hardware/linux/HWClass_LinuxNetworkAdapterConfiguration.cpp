#include "hardware/linux/HWClass_LinuxNetworkAdapterConfiguration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/SysRoot.h"
#include "foundation/log/LogManager.h"
#include "hardware/linux/LinuxAccountTexts.h"
#include "hardware/linux/LinuxMessages.h"
#include "hardware/linux/LinuxNetlink.h"

namespace {

constexpr const char* c_NetDir = "/sys/class/net/";
constexpr const char* c_Snapshot = "/.snapshot/ifaddrs";
constexpr const char* c_Routes = "/proc/net/route";
constexpr const char* c_Routes6 = "/proc/net/ipv6_route";
constexpr const char* c_ResolvConf = "/etc/resolv.conf";
constexpr const char* c_ResolvedConf = "/run/systemd/resolve/resolv.conf";
// The account systemd-resolved runs as, which owns the files it writes.
constexpr const char* c_ResolvedUser = "systemd-resolve";
constexpr size_t c_MaxResolvConf = 64u * 1024u;
constexpr const char* c_Loopback = "lo";
constexpr uint64_t c_LoopbackFlag = 0x8;  // IFF_LOOPBACK
constexpr const char* c_ZeroMac = "00:";
constexpr const char* c_Separator = ";";
constexpr const char* c_True = "TRUE";
constexpr const char* c_False = "FALSE";

std::string Attribute(const std::string& name, const char* attribute) {
  return HWClass_Linux::Tree().Value(c_NetDir + name + "/" + attribute);
}

bool IsLoopback(const std::string& name) {
  uint64_t flags = 0;
  const std::string text = Attribute(name, "flags");
  if (text.empty() || !hx::ParseUInt64(text, flags, 16)) return name == c_Loopback;
  return (flags & c_LoopbackFlag) != 0;
}

// All zeros is what interfaces without a hardware address show.
std::string MacAddress(const std::string& name) {
  const std::string mac = Attribute(name, "address");
  return hx::ReplaceAll(mac + ":", c_ZeroMac, "").empty() ? std::string() : mac;
}

// A positive number, or "" (an interface without a link gives -1 or nothing).
std::string Positive(const std::string& text) {
  int64_t value = 0;
  return hx::ParseInt64(text, value) && value > 0 ? std::to_string(value) : std::string();
}

std::vector<hxlinux::IfAddressT> AddressList() {
  if (!hx::SystemRoot().empty()) {
    std::string text = HWClass_Linux::Tree().Text(c_Snapshot);
    return hxlinux::ParseIfaddrs(text);
  }
  std::vector<hxlinux::IfAddressT> addresses;
  if (!hxlinux::KernelAddresses(addresses))
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, hxlinux::LOG_NO_ADDRESS_LIST, hxlinux::TXT_NO_ADDRESS_LIST);
  return addresses;
}

// A resolver file, which systemd-resolved writes as its own account: taken
// from root, the running user or that account, and only when nobody else can
// change it.
HX_NODISCARD bool ReadResolverFile(const char* path, uint32_t resolvedUid, std::string& text) {
  text.clear();
  const hx::UniqueFdC fd = HWClass_Linux::Tree().Open(path, O_RDONLY);
  if (!fd.valid()) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  if (st.st_uid != 0 && st.st_uid != ::geteuid() && st.st_uid != resolvedUid) return false;
  return hx::Succeeded(hx::ReadAll(fd.get(), &text, c_MaxResolvConf));
}

hxlinux::ResolverT Resolver() {
  uint32_t resolvedUid = 0;
  std::string text = HWClass_Linux::Tree().Text("/etc/passwd");
  for (const hxlinux::PasswdEntryT& account : hxlinux::ParsePasswd(text)) {
    if (account.name == c_ResolvedUser) {
      resolvedUid = account.uid;
      break;
    }
  }
  HX_IGNORE_RESULT(ReadResolverFile(c_ResolvConf, resolvedUid, text));  // unread: empty, no resolver
  hxlinux::ResolverT resolver = hxlinux::ParseResolvConf(text);
  if (hxlinux::OnlyResolvedStub(resolver) && ReadResolverFile(c_ResolvedConf, resolvedUid, text)) {
    hxlinux::ResolverT real = hxlinux::ParseResolvConf(text);
    if (!real.servers.empty()) resolver = real;
  }
  return resolver;
}

std::string Joined(const hxlinux::GatewaysT& gateways, const std::string& name) {
  const auto it = gateways.find(name);
  return it == gateways.end() ? std::string() : hx::Join(it->second, c_Separator);
}

}  // namespace

hx::ResultT HWClass_LinuxNetworkAdapterConfiguration::GetInventory(HWInstanceListT& instances, StringC className,
                                                                   const PropertyMap& /*parameters*/) {
  const hxlinux::MachineTreeC& tree = Tree();
  addresses_ = AddressList();
  std::string text = tree.Text(c_Routes);
  gateways_ = hxlinux::DefaultIpv4Gateways(text);
  text = tree.Text(c_Routes6);
  gateways6_ = hxlinux::DefaultIpv6Gateways(text);
  resolver_ = Resolver();

  std::set<std::string> names;
  // An interface is a directory there; the bonding driver puts a file beside them.
  for (const std::string& name : tree.List(c_NetDir))
    if (hxlinux::IsInterfaceName(name) && tree.IsDirectory(c_NetDir + name)) names.insert(name);
  for (const hxlinux::IfAddressT& a : addresses_) names.insert(a.interface);
  hx::ResultT r = hx::RC_OK;
  for (const std::string& name : names) {
    if (IsLoopback(name)) continue;
    const hx::ResultT added = AddSingleInstance(instances, className, name);
    if (hx::Failed(added)) r = added;
  }
  return r;
}

hx::ResultT HWClass_LinuxNetworkAdapterConfiguration::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_Linux::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  const std::string& name = instance->GetName();
  std::vector<std::string> ipv4, masks, ipv6, prefixes;
  for (const hxlinux::IfAddressT& a : addresses_) {
    if (a.interface != name) continue;
    (a.ipv6 ? ipv6 : ipv4).push_back(a.address);
    if (a.ipv6)
      prefixes.push_back(std::to_string(a.prefix));
    else
      masks.push_back(hxlinux::Ipv4Netmask(a.prefix));
  }
  const bool enabled = !ipv4.empty() || !ipv6.empty();
  instance->AddProperty(c_Caption, name);
  instance->AddProperty("IPAddress", hx::Join(ipv4, c_Separator));
  instance->AddProperty("IPSubnet", hx::Join(masks, c_Separator));
  instance->AddProperty("IPv6Address", hx::Join(ipv6, c_Separator));
  instance->AddProperty("IPv6PrefixLength", hx::Join(prefixes, c_Separator));
  instance->AddProperty("IPEnabled", enabled ? c_True : c_False);
  instance->AddProperty("MACAddress", MacAddress(name));
  instance->AddProperty("MTU", Positive(Attribute(name, "mtu")));
  instance->AddProperty("NetConnectionStatus", Attribute(name, "operstate"));
  instance->AddProperty("Speed", Positive(Attribute(name, "speed")));
  instance->AddProperty("Driver", Tree().LinkName(c_NetDir + name + "/device/driver"));
  instance->AddProperty("DefaultIPGateway", Joined(gateways_, name));
  instance->AddProperty("DefaultIPv6Gateway", Joined(gateways6_, name));
  if (enabled) {
    instance->AddProperty("DNSServerSearchOrder", hx::Join(resolver_.servers, c_Separator));
    instance->AddProperty("DNSDomainSuffixSearchOrder", hx::Join(resolver_.search, c_Separator));
  }
  return r;
}
