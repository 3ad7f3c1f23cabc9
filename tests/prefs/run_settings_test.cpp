// Settings that shape the run itself: its time stamp (DateTime) and the "trace" setting that
// switches the tracker's trace flags.

#include <tuple>

#include "PrefsTestSupport.h"
#include "foundation/trace/TraceFlags.h"

namespace {

// The time stamp is formatted like every date of the inventory, into an 80-byte buffer: a format
// whose text does not fit there gives no time stamp rather than a cut one.
TEST(PrefsRunDateTime, FormatsWithinTheDateBuffer) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"%Y%m%dT%H%M%S", 15}, {"%Y", 4}, {std::string(79, 'x'), 79}, {std::string(80, 'x'), 0}, {"%c" + std::string(76, 'x'), 0}};
  for (const auto& [format, size] : cases) {
    hxprefs::LoadC load;
    ASSERT_EQ(load.Load({"-o", "DateTimeFormat=" + format}), hx::RC_OK);
    EXPECT_EQ(load.Value(TrkPreferencesC::c_DateTime).size(), size) << format;
  }
}

// The tracker's flags are what `expected` switches on (the parser has its own tests).
void ExpectFlags(const char* expected, const std::string& what) {
  hx::LetterMasksT want{}, got{};
  ASSERT_TRUE(hx::ApplyLetterList(expected, true, want));
  ASSERT_NE(TrkTrcFlgs.load(), nullptr) << what;
  for (int letter = hx::kFirstLetter; letter <= hx::kLastLetter; ++letter)
    got[static_cast<size_t>(hx::LetterIndex(letter))] = TrkTrcFlgs.load()->Mask(letter);
  EXPECT_EQ(got, want) << what;
}

// A "trace" value, written as a preference or found in the environment the launcher installs,
// switches the tracker's flags like HXTRKTRACE, after its references are expanded; a value that
// cannot be read is reported and leaves every flag off.
TEST(PrefsTraceSetting, ReachesTheTrackerFlags) {
  // Found in an installed environment (else written as a preference), value, flags it sets.
  const std::tuple<bool, const char*, const char*> cases[] = {
      {false, "A,C-E", "A,C-E"}, {false, "$(Flags)", "B1,3-5"}, {true, "$(Flags),G", "B1,3-5,G"}, {false, "A-5", ""}};
  for (const auto& [environment, value, flags] : cases) {
    env_EnvironmentC env;
    EnvPreferencesC prefs(&env);
    prefs.AddValue(StringC("Flags"), StringC("B1,3-5"));
    getErrBuf()->reset();
    if (environment) {
      env.Set(env_EnvOptsC(StringC("Trace")), StringC(value));
      env_EnvironmentC::SetCurrent(&env);
      env_EnvironmentC::SetCurrent(nullptr);
    } else {
      prefs.AddValue(StringC("trace"), StringC(value));
    }
    ExpectFlags(flags, value);
    EXPECT_EQ(hxtest::ErrorIds(), *flags ? std::vector<int32_t>{} : std::vector<int32_t>{hx::kMsgCannotParseTraceFlags});
    getErrBuf()->reset();
  }
  hxprefs::LoadC load;
  ASSERT_EQ(load.Load({"-o", "trace=Q2"}), hx::RC_OK);
  ExpectFlags("Q2", "command line");
  TrkTrcFlgs.load()->Clear();
}

}  // namespace
