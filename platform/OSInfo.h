#pragma once
// OSInfoC: what the operating system says about itself: its platform kind, name, release and,
// on Linux, the distributor. The identity comes from uname, or from a fixture machine's
// "<root>/.snapshot/uname" when a system root is set, so that a snapshot of a Solaris host is
// that host wherever it is read.

#include <string>

#include "foundation/core/Nodiscard.h"

namespace hx {

struct UnameT {
  std::string sysname, nodename, release, version, machine;
};

// The uname fields: from "<root>/.snapshot/uname" (name=value lines) when a system root is set
// and that file exists, else from uname(2). False when neither gives an answer.
HX_NODISCARD bool ReadUname(UnameT& out);
// The host name: the snapshot's nodename when there is one, else gethostname(2).
HX_NODISCARD bool ReadHostName(std::string& out);
// True when the machine's identity comes from a snapshot (a system root with a
// ".snapshot/uname" file): then facts of the build host itself (its name service, its domain)
// must not be mixed in.
HX_NODISCARD bool IdentityFromSnapshot();

}  // namespace hx

class OSInfoC {
 public:
  // Platform kinds as the agent numbers them.
  static constexpr int c_Unknown = 0;
  static constexpr int c_Linux = 10;
  static constexpr int c_SunOS = 11;

  // Operating system type codes as hardware inventories report them ("OSType"); a numbering of
  // its own, not the platform kind above.
  static constexpr int c_OSTypeUnknown = 0;
  static constexpr int c_OSTypeOther = 1;
  static constexpr int c_OSTypeSolaris = 29;
  static constexpr int c_OSTypeLinux = 36;

  // Reads the system's identity.
  OSInfoC();

  int Type() const { return type_; }
  // The operating system type code: Solaris for SunOS, Linux, "other" for any other system
  // that names itself, unknown when uname gave nothing.
  int OSType() const;
  // The uname fields. SystemName is "" when uname could not be read.
  const hx::UnameT& Uname() const { return uname_; }
  const std::string& SystemName() const { return uname_.sysname; }
  const std::string& NodeName() const { return uname_.nodename; }
  // The build of the release ("Generic_147148-26").
  const std::string& SystemVersion() const { return uname_.version; }
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
