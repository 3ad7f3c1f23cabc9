#include "prefs/store/TrkTraceSetting.h"

#include "foundation/trace/TraceFlags.h"
#include "prefs/store/EnvPreferences.h"

namespace {

// Whether the text holds a reference: a "$(" with a ")" after it.
bool HoldsReference(const StringC& text) {
  const size_t open = text.find("$(");
  return open != StringC::npos && text.find(')', open) != StringC::npos;
}

}  // namespace

bool TrkTraceOptionC::IsTraceName(const StringC& name) { return hx::EqualsNoCase(name, c_Name); }

int32_t TrkTraceOptionC::Apply(EnvPreferencesC& prefs) {
  const StringC name(c_Name);
  if (!prefs.Exists(name)) return 0;
  const StringC value = prefs.GetValue(name, 0);
  return TrkTrcSetFlags(HoldsReference(value) ? prefs.Substitute(value) : value);
}

int32_t TrkTraceEnvironmentC::Apply(env_EnvironmentI& env) {
  EnvPreferencesC prefs(&env);
  return TrkTraceOptionC::Apply(prefs);
}
