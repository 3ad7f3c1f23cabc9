// $(Name) expansion: references, unknown names, self-references (directly, through another
// name and through Substitute), the nesting bound, unclosed references and large values.

#include <gtest/gtest.h>

#include "prefs/store/EnvPreferences.h"

namespace {

// A preference object over an environment of its own.
class PrefsExpand : public ::testing::Test {
 protected:
  void Add(const char* name, const std::string& value) { prefs.AddValue(StringC(name), StringC(value)); }
  StringC Get(const char* name) { return prefs.GetValue(StringC(name)); }

  env_EnvironmentC env;
  EnvPreferencesC prefs{&env};
};

struct ExpandCaseT {
  const char* what;
  std::vector<std::pair<const char*, const char*>> values;
  const char* read;      // the name read with expansion
  const char* expected;
};

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
      {"self-reference after the first character, through another name", {{"X", "a$(X)"}, {"Y", "$(X)"}}, "Y", "a$(X)"},
      {"mutual references stop", {{"A", "a$(B)"}, {"B", "b$(A)"}}, "A", "ab$(A)"},
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
  EXPECT_EQ(prefs.Substitute("[$(X)]"), "[a$(X)]");
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
  prefs.SetEmptyIfNotExist(0);
  EXPECT_EQ(Get("V"), "$(Nope)/d");
  EXPECT_EQ(Get("Missing"), "$(Missing)");
  prefs.SetEmptyIfNotExist(1);
  prefs.SetResolve(0);
  EXPECT_EQ(Get("V"), "$(Nope)/$(D)");
  EXPECT_EQ(prefs.GetMultiValue(StringC("V")), (StringArrayC{"$(Nope)/$(D)"}));
  prefs.SetResolve(1);
  EXPECT_EQ(prefs.GetMultiValue(StringC("V")), (StringArrayC{"/d"}));
}

TEST_F(PrefsExpand, LargeValueExpandsWhole) {
  Add("Dir", "/var/tmp/tarvosk");
  Add("Self", "s$(Self)");
  std::string value, expected;
  for (int i = 0; value.size() < (1u << 20); ++i) {
    value += "item" + std::to_string(i) + "=$(Dir)/$(Nope);";
    expected += "item" + std::to_string(i) + "=/var/tmp/tarvosk/;";
    if (i % 1000 == 0) {
      value += "$(Self)";
      expected += "s$(Self)";
    }
  }
  Add("Big", value);
  EXPECT_EQ(Get("Big"), expected);
}

TEST_F(PrefsExpand, FanOutIsCut) {
  // Every level refers ten times to the next: the full text would be 10^9 characters.
  for (int i = 0; i < 9; ++i) {
    std::string v;
    for (int k = 0; k < 10; ++k) v += "$(F" + std::to_string(i + 1) + ")";
    prefs.AddValue("F" + std::to_string(i), v);
  }
  Add("F9", "x");
  const StringC out = Get("F0");
  EXPECT_LE(out.size(), EnvPreferencesC::c_MaxExpandedLength);
  EXPECT_EQ(out.find_first_not_of('x'), StringC::npos);
}

}  // namespace
