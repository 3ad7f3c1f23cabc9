// Arbitrary bytes as /etc/passwd, /etc/group, /etc/shells and a process's stat and status:
// no account or group without a name, no name with a field separator or a line end.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "hardware/linux/LinuxAccountTexts.h"

namespace {

bool Field(const std::string& s) { return s.find_first_of(":\n") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  for (const hxlinux::PasswdEntryT& a : hxlinux::ParsePasswd(text))
    hxfuzz::Check(!a.name.empty() && Field(a.name) && Field(a.home) && a.shell.find('\n') == std::string::npos);
  for (const hxlinux::GroupEntryT& g : hxlinux::ParseGroup(text)) {
    hxfuzz::Check(!g.name.empty() && Field(g.name));
    for (const std::string& m : g.members) hxfuzz::Check(!m.empty() && m.find(',') == std::string::npos);
  }
  for (const std::string& shell : hxlinux::ParseShells(text)) hxfuzz::Check(shell[0] == '/');
  hxlinux::ProcStatT stat;
  uint32_t uid = 0;
  hxfuzz::Check(!hxlinux::ParseProcStat(text, stat) || stat.command.size() + 2 <= text.size());
  HX_IGNORE_RESULT(hxlinux::StatusEffectiveUid(text, uid));  // only that it does not crash
  return 0;
}
