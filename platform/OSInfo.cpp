#include "platform/OSInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "foundation/files/FileService.h"
#include "foundation/files/SysRoot.h"

namespace {

constexpr const char* c_UnameSnapshot = "/.snapshot/uname";
constexpr const char* c_OsRelease = "/etc/os-release";
constexpr size_t c_HostNameBuffer = 1024;

HX_NODISCARD bool ReadNameValueFile(const std::string& path, bool (*take)(void*, const std::string&, const std::string&),
                       void* context) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    take(context, hx::Trim(line.substr(0, eq)), hx::Trim(line.substr(eq + 1)));
  }
  return true;
}

HX_NODISCARD bool TakeUnameField(void* context, const std::string& name, const std::string& value) {
  auto* u = static_cast<hx::UnameT*>(context);
  if (name == "sysname") u->sysname = value;
  else if (name == "nodename") u->nodename = value;
  else if (name == "release") u->release = value;
  else if (name == "version") u->version = value;
  else if (name == "machine") u->machine = value;
  return true;
}

HX_NODISCARD bool ReadSnapshotUname(hx::UnameT& out) {
  if (hx::SystemRoot().empty()) return false;
  return ReadNameValueFile(FileService()->systemPath(c_UnameSnapshot), TakeUnameField, &out);
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

struct OsReleaseT {
  std::string id, name;
};

HX_NODISCARD bool TakeOsReleaseField(void* context, const std::string& name, const std::string& value) {
  auto* r = static_cast<OsReleaseT*>(context);
  if (name == "ID") r->id = Unquote(value);
  else if (name == "NAME") r->name = Unquote(value);
  return true;
}

// The leading decimal number of `s` from `pos`, moving pos past it; 0 when there is none.
int LeadingNumber(const std::string& s, size_t& pos) {
  int n = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && n < 100000) n = n * 10 + (s[pos++] - '0');
  return n;
}

}  // namespace

namespace hx {

bool ReadUname(UnameT& out) {
  out = UnameT();
  if (ReadSnapshotUname(out)) return true;
  struct utsname u;
  if (::uname(&u) < 0) return false;
  out.sysname = u.sysname;
  out.nodename = u.nodename;
  out.release = u.release;
  out.version = u.version;
  out.machine = u.machine;
  return true;
}

bool IdentityFromSnapshot() {
  UnameT snapshot;
  return ReadSnapshotUname(snapshot);
}

bool ReadHostName(std::string& out) {
  UnameT snapshot;
  if (ReadSnapshotUname(snapshot) && !snapshot.nodename.empty()) {
    out = snapshot.nodename;
    return true;
  }
  char host[c_HostNameBuffer] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return false;
  out = host;
  return true;
}

}  // namespace hx

OSInfoC::OSInfoC() {
  HX_IGNORE_RESULT(hx::ReadUname(uname_));  // no answer: empty fields, an unknown type
  if (uname_.sysname == "SunOS") type_ = c_SunOS;
  else if (uname_.sysname == "Linux") type_ = c_Linux;
  size_t pos = 0;
  major_ = LeadingNumber(uname_.release, pos);
  if (pos < uname_.release.size() && uname_.release[pos] == '.') {
    ++pos;
    minor_ = LeadingNumber(uname_.release, pos);
  }
  if (type_ == c_Linux) ReadDistributor();
}

int OSInfoC::OSType() const {
  switch (type_) {
    case c_SunOS: return c_OSTypeSolaris;
    case c_Linux: return c_OSTypeLinux;
    default: break;
  }
  return uname_.sysname.empty() ? c_OSTypeUnknown : c_OSTypeOther;
}

void OSInfoC::ReadDistributor() {
  OsReleaseT release;
  if (!ReadNameValueFile(FileService()->systemPath(c_OsRelease), TakeOsReleaseField, &release)) return;
  distributorId_ = !release.id.empty() ? release.id : release.name;
}
