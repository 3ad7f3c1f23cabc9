#include "hardware/linux/LinuxNetlink.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace hxlinux {
namespace {

constexpr time_t c_AnswerSeconds = 5;
constexpr size_t c_Buffer = 64u * 1024u;
// A dump that the kernel marks as interrupted (the addresses changed while it
// ran) is asked again, this many times in all.
constexpr int c_Attempts = 3;

enum class DumpE { Done, Interrupted, Failed };

struct RequestT {
  nlmsghdr header;
  ifaddrmsg message;
};

// The interface names by index, asked once each.
class InterfaceNamesC {
 public:
  const std::string& Name(unsigned index) {
    auto it = names_.find(index);
    if (it == names_.end()) {
      char name[IF_NAMESIZE] = {};
      it = names_.emplace(index, ::if_indextoname(index, name) != nullptr ? name : "").first;
    }
    return it->second;
  }

 private:
  std::map<unsigned, std::string> names_;
};

// One RTM_NEWADDR message as an address; false for one without an address or
// of another family.
HX_NODISCARD bool ReadAddress(const nlmsghdr* h, InterfaceNamesC& names, IfAddressT& entry) {
  const auto* message = static_cast<const ifaddrmsg*>(NLMSG_DATA(h));
  if (message->ifa_family != AF_INET && message->ifa_family != AF_INET6) return false;
  const size_t size = message->ifa_family == AF_INET ? sizeof(in_addr) : sizeof(in6_addr);
  const void* local = nullptr;
  const void* address = nullptr;
  int length = static_cast<int>(IFA_PAYLOAD(h));
  for (const rtattr* a = IFA_RTA(message); RTA_OK(a, length); a = RTA_NEXT(a, length)) {
    if (RTA_PAYLOAD(a) < size) continue;
    if (a->rta_type == IFA_LOCAL) local = RTA_DATA(a);
    if (a->rta_type == IFA_ADDRESS) address = RTA_DATA(a);
  }
  // On a point-to-point link IFA_ADDRESS is the peer's; the interface's own is
  // IFA_LOCAL, as ip shows it.
  const void* own = local != nullptr ? local : address;
  char text[INET6_ADDRSTRLEN];
  if (own == nullptr || ::inet_ntop(message->ifa_family, own, text, sizeof text) == nullptr) return false;
  entry.interface = names.Name(message->ifa_index);
  entry.ipv6 = message->ifa_family == AF_INET6;
  entry.address = text;
  entry.prefix = message->ifa_prefixlen;
  return !entry.interface.empty();
}

// NLMSG_OK, without comparing the signed length left with the unsigned message length.
bool MessageFits(const nlmsghdr* h, int left) {
  return left >= static_cast<int>(sizeof(nlmsghdr)) && h->nlmsg_len >= sizeof(nlmsghdr) &&
         h->nlmsg_len <= static_cast<uint32_t>(left);
}

DumpE Dump(int fd, uint32_t sequence, std::vector<IfAddressT>& addresses) {
  RequestT request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
  request.header.nlmsg_type = RTM_GETADDR;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.header.nlmsg_seq = sequence;
  request.message.ifa_family = AF_UNSPEC;
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
    return DumpE::Failed;
  InterfaceNamesC names;
  bool interrupted = false;
  std::vector<char> buffer(c_Buffer);
  for (;;) {
    sockaddr_nl from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return DumpE::Failed;  // no answer in time, or the socket failed
    if (from.nl_pid != 0) continue;    // only the kernel answers this
    int left = static_cast<int>(n);
    for (const nlmsghdr* h = reinterpret_cast<const nlmsghdr*>(buffer.data()); MessageFits(h, left);
         h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_seq != sequence) continue;
      if ((h->nlmsg_flags & NLM_F_DUMP_INTR) != 0) interrupted = true;
      if (h->nlmsg_type == NLMSG_DONE) return interrupted ? DumpE::Interrupted : DumpE::Done;
      if (h->nlmsg_type == NLMSG_ERROR) return DumpE::Failed;
      IfAddressT entry;
      if (h->nlmsg_type == RTM_NEWADDR && h->nlmsg_len >= NLMSG_LENGTH(sizeof(ifaddrmsg)) &&
          ReadAddress(h, names, entry))
        addresses.push_back(entry);
    }
  }
}

}  // namespace

bool KernelAddresses(std::vector<IfAddressT>& addresses) {
  hx::UniqueFdC fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (!fd.valid()) return false;
  const timeval wait{c_AnswerSeconds, 0};
  ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  for (int attempt = 1; attempt <= c_Attempts; ++attempt) {
    addresses.clear();
    const DumpE dump = Dump(fd.get(), static_cast<uint32_t>(attempt), addresses);
    // A list that kept changing is taken as the last dump gave it.
    if (dump == DumpE::Done || (dump == DumpE::Interrupted && attempt == c_Attempts)) return true;
    if (dump == DumpE::Failed) break;
  }
  addresses.clear();
  return false;
}

}  // namespace hxlinux
