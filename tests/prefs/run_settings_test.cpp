// Settings that shape the run itself: its time stamp (DateTime) and the "trace" setting that
// switches the tracker's trace flags.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PrefsTestSupport.h"
#include "foundation/trace/TraceFlags.h"

namespace {

using P = TrkPreferencesC;

// The time stamp is formatted like every date of the inventory, into an 80-byte buffer: a format
// whose text does not fit there gives no time stamp rather than a cut one.
TEST(PrefsRunDateTime, FormatsWithinTheDateBuffer) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"%Y%m%dT%H%M%S", 15}, {"%Y", 4}, {std::string(79, 'x'), 79}, {std::string(80, 'x'), 0}, {"%c" + std::string(76, 'x'), 0}};
  for (const auto& [format, size] : cases) {
    hxprefs::LoadC load;
    ASSERT_EQ(load.Load({"-o", "DateTimeFormat=" + format}), hx::RC_OK);
    EXPECT_EQ(load.Value(P::c_DateTime).size(), size) << format;
  }
}

// The mask of every letter; a letter not named by `on` must be 0.
void ExpectFlags(const std::vector<std::pair<char, uint32_t>>& on, const std::string& what) {
  const IndentedTraceC* flags = TrkTrcFlgs.load();
  ASSERT_NE(flags, nullptr) << what;
  for (int letter = hx::kFirstLetter; letter <= hx::kLastLetter; ++letter) {
    uint32_t expected = 0;
    for (const auto& [l, mask] : on)
      if (l == letter) expected = mask;
    EXPECT_EQ(flags->Mask(letter), expected) << what << " letter " << static_cast<char>(letter);
  }
}

// A "trace" value, written as a preference or found in the environment the launcher installs,
// switches the tracker's flags like HXTRKTRACE, after its references are expanded; a value that
// cannot be read is reported and leaves every flag off.
TEST(PrefsTraceSetting, ReachesTheTrackerFlags) {
  struct CaseT {
    const char* what;
    bool environment;  // found in an installed environment, else written as a preference
    const char* value;
    std::vector<std::pair<char, uint32_t>> on;
    bool refused;
  };
  const CaseT cases[] = {
      {"preference", false, "A,C-E", {{'A', ~0u}, {'C', ~0u}, {'D', ~0u}, {'E', ~0u}}, false},
      {"preference with a reference", false, "$(Flags)", {{'B', 0x3Au}}, false},
      {"environment with a reference", true, "$(Flags),G", {{'B', 0x3Au}, {'G', ~0u}}, false},
      {"unreadable preference", false, "A-5", {}, true},
  };
  for (const CaseT& c : cases) {
    env_EnvironmentC env;
    EnvPreferencesC prefs(&env);
    prefs.AddValue(StringC("Flags"), StringC("B1,3-5"));
    getErrBuf()->reset();
    if (c.environment) {
      env.Set(env_EnvOptsC(StringC("Trace")), StringC(c.value));
      env_EnvironmentC::SetCurrent(&env);
      env_EnvironmentC::SetCurrent(nullptr);
    } else {
      prefs.AddValue(StringC("trace"), StringC(c.value));
    }
    ExpectFlags(c.on, c.what);
    EXPECT_EQ(hxtest::ErrorIds(), c.refused ? std::vector<int32_t>{hx::kMsgCannotParseTraceFlags} : std::vector<int32_t>{})
        << c.what;
    getErrBuf()->reset();
  }
  hxprefs::LoadC load;
  ASSERT_EQ(load.Load({"-o", "trace=Q2"}), hx::RC_OK);
  ExpectFlags({{'Q', 0x4u}}, "command line");
  TrkTrcFlgs.load()->Clear();
}

}  // namespace
