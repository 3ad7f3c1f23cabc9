#include "prefs/confvar/ConfVarCmdline.h"

#include <mutex>
#include <unordered_map>

#include "prefs/registry/ConfRegCodes.h"

namespace {

struct CmdlineMapT {
  std::mutex lock;
  std::unordered_map<StringC, StringArrayC, hx::NoCaseHash, hx::NoCaseEqual> values;
};

CmdlineMapT& Overrides() {
  static CmdlineMapT* map = new CmdlineMapT;  // never destroyed: values may be read at exit
  return *map;
}

}  // namespace

void ConfVarSetCmdline(const StringC& name, const StringC& value) {
  CmdlineMapT& m = Overrides();
  std::lock_guard<std::mutex> g(m.lock);
  m.values[name].push_back(value);
}

hx::ResultT ConfVarGetCmdline(const StringC& name, StringC* value) {
  CmdlineMapT& m = Overrides();
  std::lock_guard<std::mutex> g(m.lock);
  auto it = m.values.find(name);
  if (it == m.values.end() || it->second.empty()) return CONF_VAR_E_NO_CMDLINE;
  if (value) *value = it->second.front();
  return hx::RC_OK;
}

hx::ResultT ConfVarGetCmdlines(const StringC& name, StringArrayC const** values) {
  CmdlineMapT& m = Overrides();
  std::lock_guard<std::mutex> g(m.lock);
  auto it = m.values.find(name);
  if (it == m.values.end() || it->second.empty()) return CONF_VAR_E_NO_CMDLINE;
  if (values) *values = &it->second;
  return hx::RC_OK;
}
