#include "prefs/tracker/TrkPreferences.h"

#define HX_TRK_DEFINE(member, name, listed) \
  const env_EnvOptsC TrkPreferencesC::c_##member{name, TrkPreferencesC::c_Options};
HX_TRK_PREFERENCES(HX_TRK_DEFINE)
#undef HX_TRK_DEFINE

// c_EnvironmentList holds the listed names in catalogue order. The extra level of macros lets
// HX_TRK_LISTED / HX_TRK_WHOLE expand to 1 / 0 before they select an entry or nothing.
#define HX_TRK_ENTRY_1(member) &TrkPreferencesC::c_##member,
#define HX_TRK_ENTRY_0(member)
#define HX_TRK_ENTRY_SELECT(member, listed) HX_TRK_ENTRY_##listed(member)
#define HX_TRK_ENTRY_DISPATCH(member, listed) HX_TRK_ENTRY_SELECT(member, listed)
#define HX_TRK_ENTRY(member, name, listed) HX_TRK_ENTRY_DISPATCH(member, listed)
const env_EnvOptsC* const TrkPreferencesC::c_EnvironmentList[] = {HX_TRK_PREFERENCES(HX_TRK_ENTRY) nullptr};
#undef HX_TRK_ENTRY
#undef HX_TRK_ENTRY_DISPATCH
#undef HX_TRK_ENTRY_SELECT
#undef HX_TRK_ENTRY_0
#undef HX_TRK_ENTRY_1
