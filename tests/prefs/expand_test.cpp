// $(Name) expansion: references, unknown names, self-references (directly, through another
// name and through Substitute), the nesting bound, unclosed references, large values, and the
// limits that stop an expansion.

#include "foundation/log/LogManager.h"
#include "prefs/store/EnvPreferences.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "support/TestSupport.h"

namespace {

// A preference object over an environment of its own.
class PrefsExpand : public ::testing::Test {
 protected:
  void Add(const char* name, const std::string& value) { prefs.AddValue(StringC(name), StringC(value)); }
  StringC Get(const char* name) { return prefs.GetValue(StringC(name)); }

  env_EnvironmentC env;
  EnvPreferencesC prefs{&env};
};

// read: the name read with expansion
struct ExpandCaseT { const char* what; std::vector<std::pair<const char*, const char*>> values; const char *read, *expected; };

TEST_F(PrefsExpand, ReferencesExpandWhenRead) {
  const std::vector<ExpandCaseT> cases = {
      {"log file below the data folder",
       {{"CommonAppDataFolder", "/var/tmp/tarvosk"}, {"LogFile", "$(CommonAppDataFolder)/log/tracker.log"}},
       "LogFile", "/var/tmp/tarvosk/log/tracker.log"},
      {"unknown name expands to nothing", {{"V", "a$(Nope)b"}}, "V", "ab"},
      {"names match without regard to case",
       {{"CommonAppDataFolder", "/d"}, {"V", "$(commonappdatafolder)/x"}}, "V", "/d/x"},
      {"value naming itself keeps the reference", {{"X", "$(X)"}}, "X", "$(X)"},
      {"read through another name too", {{"X", "$(X)"}, {"Y", "$(X)"}}, "Y", "$(X)"},
      {"mutual references expand to the depth bound", {{"A", "a$(B)"}, {"B", "b$(A)"}}, "A", "ababababab"},
      {"a cycle reads empty", {{"A", "$(B)"}, {"B", "$(A)"}}, "A", ""},
      {"the search resumes one character after an empty replacement",
       {{"UserName", "root"}, {"V", "$(Nope)$(UserName)"}}, "V", "$(UserName)"},
      {"a replacement is searched again with the text after it", {{"P", "x$"}, {"Q", "q"}, {"V", "$(P)(Q)"}}, "V", "xq"},
      {"unclosed reference leaves the rest", {{"P", "/p"}, {"V", "$(P)/x$(P"}}, "V", "/p/x$(P"},
      {"every $( starts a reference", {{"V", "$($(P))"}}, "V", ")"},
      {"several references", {{"A", "1"}, {"B", "2"}, {"V", "$(A)-$(B)-$(A)"}}, "V", "1-2-1"},
      {"empty name", {{"V", "x$()y"}}, "V", "xy"},
      {"missing name", {}, "Nothing", ""},
  };
  for (const ExpandCaseT& c : cases) {
    env_EnvironmentC own;
    EnvPreferencesC p(&own);
    for (const auto& [name, value] : c.values) p.AddValue(StringC(name), StringC(value));
    EXPECT_EQ(p.GetValue(StringC(c.read)), c.expected) << c.what;
  }
}

TEST_F(PrefsExpand, SubstituteStopsOnSelfReferences) {
  Add("X", "a$(X)");
  Add("D", "/d");
  EXPECT_EQ(prefs.Substitute("$(D)$(D)"), "/d/d");
  EXPECT_EQ(prefs.ResolveValue("X", 1, 0), "");
  EXPECT_EQ(prefs.ResolveValue("$(D)", 0, 0), "");
}

TEST(PrefsExpandNesting, IsBounded) {
  // N0 .. N(k-1) each refer to the next, N(k) is plain.
  for (const auto& [chain, expected] : std::vector<std::pair<int, const char*>>{{8, "end"}, {9, "end"}, {10, ""}}) {
    env_EnvironmentC env;
    EnvPreferencesC prefs(&env);
    for (int i = 0; i < chain; ++i) prefs.AddValue("N" + std::to_string(i), "$(N" + std::to_string(i + 1) + ")");
    prefs.AddValue("N" + std::to_string(chain), StringC("end"));
    EXPECT_EQ(prefs.GetValue(StringC("N0")), expected) << chain;
  }
}

TEST_F(PrefsExpand, FlagsChangeWhatAReadGives) {
  Add("V", "$(Nope)/$(D)");
  Add("D", "d");
  EXPECT_EQ(prefs.GetValue(StringC("V"), 0), "$(Nope)/$(D)");
  prefs.SetResolve(0);
  EXPECT_EQ(Get("V"), "$(Nope)/$(D)");
  EXPECT_EQ(prefs.GetMultiValue(StringC("V")), (StringArrayC{"$(Nope)/$(D)"}));
  prefs.SetResolve(1);
  EXPECT_EQ(prefs.GetMultiValue(StringC("V")), (StringArrayC{"/d"}));
}

TEST_F(PrefsExpand, LargeValueExpandsWhole) {
  Add("Dir", "/var/tmp/tarvosk");
  Add("Self", "$(Self)s");
  std::string value, expected;
  for (int i = 0; value.size() < (1u << 20); ++i) {
    value += "item" + std::to_string(i) + "=$(Dir)/$(Nope);";
    expected += "item" + std::to_string(i) + "=/var/tmp/tarvosk/;";
    if (i % 1000 == 0) {
      value += "$(Self)";
      expected += "$(Self)s";
    }
  }
  Add("Big", value);
  EXPECT_EQ(Get("Big"), expected);
}

// A value that would expand without end, or beyond the bounds, stops at the reference where that
// shows: from there on it reads as written, and the log names the value and the limit. The
// logger reads its own settings through expansion, so LogFile here is such a value too.
TEST(PrefsExpandLimits, StopAtTheReferenceAndAreLogged) {
  hxtest::TempDirC dir("hxexpand");
  env_EnvironmentC env;
  EnvPreferencesC prefs(&env);
  env_EnvironmentC::SetCurrent(&env);
  hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());
  log_LogManagerC::ReleaseInstance();
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"X", "a$(X)"}, {"Y", "$(X)"}, {"F9", "x"},
                                     {"LogFile", dir.File("t.log") + "$(Y)"}})
    prefs.AddValue(StringC(name), StringC(value));
  const auto refs = [](const std::string& name, int n) {
    std::string text;
    for (int k = 0; k < n; ++k) text += "$(" + name + ")";
    return text;
  };
  // F0 to F8 each refer ten times to the next: 10^9 characters in full.
  for (int i = 0; i < 9; ++i) prefs.AddValue("F" + std::to_string(i), refs("F" + std::to_string(i + 1), 10));
  const size_t eighth = EnvPreferencesC::c_MaxExpandedLength / 8;
  prefs.AddValue(StringC("Big"), StringC(std::string(eighth, 'x')));
  prefs.AddValue(StringC("Long"), refs("Big", 9));
  EXPECT_EQ(prefs.GetValue(StringC("Y")), "a$(X)");
  EXPECT_EQ(prefs.GetValue(StringC("F0")), refs("F1", 10));
  EXPECT_TRUE(prefs.GetValue(StringC("Long")) == std::string(7 * eighth, 'x') + refs("Big", 2));
  log_LogManagerC::ReleaseInstance();
  const std::string log = hxtest::ReadFile(dir.File("t.log$(Y)"));
  for (const char* line : {"Expansion of 'LogFile' stopped at $(Y): $(X) would repeat its own expansion without end",
                           "Expansion of 'Y' stopped at $(X): $(X) would repeat its own expansion without end",
                           "Expansion of 'F0' stopped at $(F1): more than",
                           "Expansion of 'Long' stopped at $(Big): the result would be longer than"})
    EXPECT_TRUE(hxtest::Contains(log, line)) << line << "\n" << log;
  hx::SetLogSettings(nullptr);
  env_EnvironmentC::SetCurrent(nullptr);
}

}  // namespace
