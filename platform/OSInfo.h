#pragma once
// OSInfoC: what the operating system says about itself: its platform kind, name, release and,
// on Linux, the distributor. The identity comes from uname, or from a fixture machine's
// "<root>/.snapshot/uname" when a system root is set, so that a snapshot of a Solaris host is
// that host wherever it is read.

#include <string>

namespace hx {

struct UnameT {
  std::string sysname, nodename, release, version, machine;
};

// The uname fields: from "<root>/.snapshot/uname" (name=value lines) when a system root is set
// and that file exists, else from uname(2). False when neither gives an answer.
bool ReadUname(UnameT& out);
// The host name: the snapshot's nodename when there is one, else gethostname(2).
bool ReadHostName(std::string& out);

}  // namespace hx

class OSInfoC {
 public:
  // Platform kinds as the agent numbers them.
  static constexpr int c_Unknown = 0;
  static constexpr int c_Linux = 10;
  static constexpr int c_SunOS = 11;

  // Reads the system's identity.
  OSInfoC();

  int Type() const { return type_; }
  const std::string& SystemName() const { return uname_.sysname; }
  const std::string& Machine() const { return uname_.machine; }
  // The release text ("5.11"), and its first two numbers.
  const std::string& VersionText() const { return uname_.release; }
  int Major() const { return major_; }
  int Minor() const { return minor_; }
  // The distributor id (Linux: ID, else NAME, of /etc/os-release); empty elsewhere.
  const std::string& DistributorId() const { return distributorId_; }

 private:
  void ReadDistributor();

  hx::UnameT uname_;
  int type_ = c_Unknown;
  int major_ = 0;
  int minor_ = 0;
  std::string distributorId_;
};
