#pragma once
// The live host's address list, asked of the kernel over a routing netlink
// socket (one RTM_GETADDR dump, as `ip addr` asks it): every IPv4 and IPv6
// address with the interface that holds it and its prefix length, in the
// kernel's order (IPv4 before IPv6, by interface index, each interface's in
// its own order).

#include <vector>

#include "foundation/core/Nodiscard.h"
#include "hardware/linux/LinuxNetTexts.h"

namespace hxlinux {

// False when the kernel could not be asked or did not answer within a few
// seconds (the list is then empty).
HX_NODISCARD bool KernelAddresses(std::vector<IfAddressT>& addresses);

}  // namespace hxlinux
