#pragma once
// HWClass_LinuxNetworkAdapterConfiguration (provider
// "LinuxNetworkAdapterConfiguration"): one instance per network interface of
// the machine but loopback, named by the interface ("eth0", "enp3s0", "wg0"),
// in name order: the interfaces of /sys/class/net and those that hold an
// address.
//
//   Caption               the interface name
//   IPAddress, IPSubnet   every IPv4 address and its netmask (dotted), matched by
//                         position, joined with ";"
//   IPv6Address           every IPv6 address, joined with ";"
//   IPv6PrefixLength      the prefix length of each IPv6 address, by position
//   IPEnabled             TRUE when the interface holds an address, else FALSE
//   MACAddress            sysfs "address" (not when it is all zeros)
//   MTU                   sysfs "mtu"
//   NetConnectionStatus   sysfs "operstate" as the kernel words it ("up",
//                         "down", "dormant", "unknown", ...)
//   Speed                 sysfs "speed" in Mb/s, where the driver publishes one
//   Driver                the name of the "device/driver" link
//   DefaultIPGateway      the default routes of /proc/net/route through it
//   DefaultIPv6Gateway    the default routes of /proc/net/ipv6_route through it
//   DNSServerSearchOrder, DNSDomainSuffixSearchOrder
//                         the nameservers and search domains of
//                         /etc/resolv.conf (those of systemd-resolved's
//                         /run/systemd/resolve/resolv.conf where the first
//                         names only its local stub), on interfaces that hold
//                         an address
//
// The addresses come from the kernel's address list, in its order: on the live
// host asked over netlink (LinuxNetlink.h), under a system root read from the
// snapshot file .snapshot/ifaddrs (LinuxNetTexts.h), since a captured machine
// cannot be asked; everything else from the machine tree.

#include <vector>

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/linux/HWClass_Linux.h"
#include "hardware/linux/LinuxNetTexts.h"

class HWClass_LinuxNetworkAdapterConfiguration : public HWClass_Linux {
 public:
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;

 protected:
  ~HWClass_LinuxNetworkAdapterConfiguration() override = default;

 private:
  // What GetInventory reads once for every interface.
  std::vector<hxlinux::IfAddressT> addresses_;
  hxlinux::GatewaysT gateways_, gateways6_;
  hxlinux::ResolverT resolver_;
};

HX_HW_PROVIDER_FACTORY(LinuxNetworkAdapterConfiguration, "ZOR.hX.Tracker.LinuxNetworkAdapterConfiguration.1")
