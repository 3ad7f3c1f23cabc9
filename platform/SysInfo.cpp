#include "platform/SysInfo.h"

#include <dlfcn.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "platform/MachineFile.h"

namespace {

constexpr const char* c_SysInfoSnapshot = "sysinfo";
constexpr const char* c_SysConfSnapshot = "sysconf";
constexpr const char* c_PromSnapshot = "openprom";
constexpr const char* c_ZoneSnapshot = "zone";
constexpr const char* c_HostIdName = "hostid";
constexpr const char* c_ZoneNameName = "zonename";
// The zone calls, looked up at run time as the operating system may not have them.
constexpr const char* c_GetZoneId = "getzoneid";
constexpr const char* c_GetZoneNameById = "getzonenamebyid";
constexpr size_t c_ZoneNameBuffer = 256;

using GetZoneIdT = long (*)();
using GetZoneNameByIdT = long (*)(long, char*, size_t);

const char* SysInfoName(hx::SysInfoE command) {
  switch (command) {
    case hx::SysInfoE::HwSerial: return "hw_serial";
    case hx::SysInfoE::HwProvider: return "hw_provider";
    case hx::SysInfoE::Platform: break;
  }
  return "platform";
}

const char* SysConfName(hx::SysConfE name) {
  switch (name) {
    case hx::SysConfE::PageSize: return "PAGESIZE";
    case hx::SysConfE::PhysPages: return "PHYS_PAGES";
    case hx::SysConfE::AvPhysPages: break;
  }
  return "AVPHYS_PAGES";
}

int SysConfCode(hx::SysConfE name) {
  switch (name) {
    case hx::SysConfE::PageSize: return _SC_PAGESIZE;
    case hx::SysConfE::PhysPages: return _SC_PHYS_PAGES;
    case hx::SysConfE::AvPhysPages: break;
  }
  return _SC_AVPHYS_PAGES;
}

// The value `name` of a snapshot file; false when the file or the name is missing.
HX_NODISCARD bool SnapshotValue(const char* file, std::string_view name, std::string& value) {
  std::string text;
  return hx::ReadSnapshotFile(file, text) && hx::FindNameValue(hx::ParseNameValues(text), name, value);
}

HX_NODISCARD bool LiveSysInfo(hx::SysInfoE command, std::string& text) {
  switch (command) {
    case hx::SysInfoE::HwSerial:
      text = std::to_string(static_cast<uint32_t>(::gethostid()));
      return true;
    case hx::SysInfoE::Platform: {
      struct utsname u;
      if (::uname(&u) != 0) return false;
      text = u.machine;
      return true;
    }
    case hx::SysInfoE::HwProvider: break;
  }
  return false;
}

HX_NODISCARD bool LiveZoneName(std::string& name) {
  const auto getId = reinterpret_cast<GetZoneIdT>(::dlsym(RTLD_DEFAULT, c_GetZoneId));
  const auto getName = reinterpret_cast<GetZoneNameByIdT>(::dlsym(RTLD_DEFAULT, c_GetZoneNameById));
  if (getId == nullptr || getName == nullptr) return false;
  char buffer[c_ZoneNameBuffer] = {};
  const long n = getName(getId(), buffer, sizeof buffer);
  if (n < 0) return false;
  name.assign(buffer, ::strnlen(buffer, sizeof buffer));
  return true;
}

}  // namespace

namespace hx {

bool SysInfoText(SysInfoE command, std::string& text) {
  text.clear();
  if (!MachineFromSnapshot()) return LiveSysInfo(command, text);
  return SnapshotValue(c_SysInfoSnapshot, SysInfoName(command), text);
}

uint32_t HostId() {
  if (!MachineFromSnapshot()) return static_cast<uint32_t>(::gethostid());
  std::string text;
  uint64_t id = 0;
  if (!SnapshotValue(c_SysInfoSnapshot, c_HostIdName, text) || !ParseUInt64(text, id)) return 0;
  return static_cast<uint32_t>(id);
}

int64_t SysConfValue(SysConfE name) {
  if (!MachineFromSnapshot()) return static_cast<int64_t>(::sysconf(SysConfCode(name)));
  std::string text;
  int64_t value = -1;
  if (!SnapshotValue(c_SysConfSnapshot, SysConfName(name), text) || !ParseInt64(text, value)) return -1;
  return value;
}

bool PromRootProperty(const std::string& name, std::string& value) {
  value.clear();
  return MachineFromSnapshot() && SnapshotValue(c_PromSnapshot, name, value);
}

bool CurrentZoneName(std::string& name) {
  name.clear();
  if (!MachineFromSnapshot()) return LiveZoneName(name);
  return SnapshotValue(c_ZoneSnapshot, c_ZoneNameName, name);
}

}  // namespace hx
