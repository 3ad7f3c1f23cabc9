#pragma once
// The "trace" setting: the tracker's trace flags, in the letters-and-bits form that HXTRKTRACE
// takes ("A,C-E", "B1,3-5"), given as a preference or as a value of the launcher environment.
// A value that holds a "$(Name)" reference is expanded through the preferences first. Every
// reading replaces the flags set before, so the source read last wins:
//   1. HXTRKTRACE, when the program starts (TrkDbgInitialise);
//   2. the launcher environment's "trace", when that environment is installed as the current
//      one (TrkTraceEnvironmentC; the program entry installs it at start-up);
//   3. the "trace" preference, whenever the preference object writes it (TrkTraceOptionC): a
//      registry value while loading, "-o trace=..." after it, a value set later in the run.

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

class EnvPreferencesC;
class env_EnvironmentI;

class TrkTraceOptionC {
 public:
  static constexpr const char* c_Name = "trace";

  static bool IsTraceName(const StringC& name);
  // Sets the tracker's flags from the "trace" value of `prefs`; nothing when there is none.
  // 0, or 0xE0160014 (reported) for a value that cannot be read: the flags are then off.
  HX_NODISCARD static int32_t Apply(EnvPreferencesC& prefs);
};

class TrkTraceEnvironmentC {
 public:
  // The same for the "trace" value of `env`, expanded through the values of `env`.
  HX_NODISCARD static int32_t Apply(env_EnvironmentI& env);
};
