// The environment store and the preference object's writing rules: list and single-value
// storage, replacement with a reference to the old values, fixed preferences, emptiness and
// boolean reading.

#include "support/TestSupport.h"

#include "prefs/store/EnvPreferences.h"

namespace {

constexpr uint32_t c_Multi = env_EnvOptsC::values_multi;
constexpr uint32_t c_Unique = env_EnvOptsC::values_unique;
constexpr uint32_t c_Tracker = c_Multi | c_Unique;

// values: those of "X"; single: the single value of "X"
struct StoreCaseT { const char* what; std::function<void(env_EnvironmentC&)> writes; StringArrayC values; const char* single; };

TEST(PrefsStore, StorageFormIsFixedByTheFirstWrite) {
  const env_EnvOptsC list("X", c_Tracker);
  const env_EnvOptsC single("x");
  const std::vector<StoreCaseT> cases = {
      {"list keeps order", [&](env_EnvironmentC& e) { e.Add(list, "b"); e.Add(list, "a"); }, {"b", "a"}, "a"},
      {"unique add moves nothing",
       [&](env_EnvironmentC& e) { e.Add(list, "a"); e.Add(list, "b"); e.Add(list, "a"); }, {"a", "b"}, "b"},
      {"empty dropped", [&](env_EnvironmentC& e) { e.Add(list, ""); }, {}, ""},
      {"single set replaces", [&](env_EnvironmentC& e) { e.Set(single, "1"); e.Set(single, "2"); }, {"2"}, "2"},
      {"single add only while empty",
       [&](env_EnvironmentC& e) { e.Set(single, ""); e.Add(single, "1"); e.Add(single, "2"); }, {"1"}, "1"},
      {"list write into single storage taken while empty",
       [&](env_EnvironmentC& e) { e.Set(single, "Full"); e.Add(list, "status"); }, {"Full"}, "Full"},
      {"list write into empty single storage",
       [&](env_EnvironmentC& e) { e.Set(single, ""); e.Add(list, "status"); }, {"status"}, "status"},
      {"set on a list replaces the list",
       [&](env_EnvironmentC& e) { e.Add(list, "a"); e.Add(list, "b"); e.Set(single, "c"); }, {"c"}, "c"},
  };
  for (const StoreCaseT& c : cases) {
    env_EnvironmentC env;
    c.writes(env);
    const env_ParameterC* p = env.Find("x");
    ASSERT_NE(p, nullptr) << c.what;
    EXPECT_EQ(p->Values(), c.values) << c.what;
    EXPECT_EQ(p->Value(), c.single) << c.what;
  }
}

TEST(PrefsStore, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  env_EnvironmentC env;
  env.Set(env_EnvOptsC("LogFile"), "a");
  env.Set(env_EnvOptsC("LOGFILE"), "b");
  env.Set(env_EnvOptsC("alpha"), "");
  EXPECT_EQ(env.Count(), 2u);
  EXPECT_EQ(env.Names(), (StringArrayC{"alpha", "LogFile"}));
  EXPECT_EQ(env.Find("logfile")->Value(), "b");
  EXPECT_TRUE(env.Remove("LOGfile"));
  EXPECT_EQ(env.Find("LogFile"), nullptr);
}

TEST(PrefsStore, ReplacingAListMayReferToItsOldValues) {
  env_EnvironmentC env;
  EnvPreferencesC prefs(&env);
  const env_EnvOptsC ext("Ext", c_Tracker);
  prefs.AddValue(ext, StringC("a"));
  prefs.AddValue(ext, StringC("$(Base)/b"));
  prefs.AddValue(env_EnvOptsC("Base"), StringC("/r"));
  const StringArrayC values{"x", "$(ext)", "a", "y"};
  prefs.AddValue(ext, &values);
  // The old values come back expanded; duplicates are still dropped.
  EXPECT_EQ(prefs.GetMultiValue(ext, 0), (StringArrayC{"x", "a", "/r/b", "y"}));
  const StringArrayC none;
  prefs.AddValue(ext, &none);
  EXPECT_TRUE(prefs.Exists(ext));
  EXPECT_TRUE(prefs.GetMultiValue(ext).empty());
  EXPECT_FALSE(prefs.IsEmpty(ext));
}

TEST(PrefsStore, FixedPreferencesResistLaterSourcesUnlessForced) {
  struct CaseT { const char* companion; const char* value; bool fixed; };
  const std::vector<CaseT> cases = {
      {"DirFixed", "True", true}, {"DirFxd", "yes", true}, {"DIRFIXED", "TRUE", true},
      {"DirFixed", "False", false}, {"DirFixed", "maybe", false}, {nullptr, nullptr, false},
  };
  const env_EnvOptsC dir("Dir", c_Tracker);
  for (const CaseT& c : cases) {
    env_EnvironmentC env;
    EnvPreferencesC prefs(&env);
    prefs.AddValue(dir, StringC("/opt"));
    if (c.companion != nullptr) prefs.AddValue(env_EnvOptsC(c.companion), StringC(c.value));
    const StringArrayC replacement{"/home"};
    prefs.AddValue(dir, &replacement);
    prefs.AddValue(dir, StringC("/srv"));
    const StringArrayC expected = c.fixed ? StringArrayC{"/opt"} : StringArrayC{"/home", "/srv"};
    EXPECT_EQ(prefs.GetMultiValue(dir), expected) << (c.companion ? c.companion : "none");
    prefs.AddValue(dir, StringC("/forced"), 1);
    EXPECT_EQ(prefs.GetValue(dir), "/forced");
  }
  // A companion is itself fixed once it exists.
  env_EnvironmentC env;
  EnvPreferencesC prefs(&env);
  prefs.AddValue(env_EnvOptsC("DirFixed"), StringC("True"));
  prefs.AddValue(env_EnvOptsC("DirFixed"), StringC("False"));
  EXPECT_EQ(prefs.GetValue(StringC("DirFixed")), "True");
}

TEST(PrefsStore, EmptinessAndBooleans) {
  env_EnvironmentC env;
  EnvPreferencesC prefs(&env);
  const env_EnvOptsC list("L", c_Tracker);
  EXPECT_TRUE(prefs.IsEmpty(list));
  prefs.AddValue(list, StringC(""));
  EXPECT_FALSE(prefs.IsEmpty(list));  // a list name is set once it exists
  prefs.AddValue(StringC("S"), StringC("$(Nothing)"));
  EXPECT_TRUE(prefs.IsEmpty(StringC("S")));  // single: the expanded value counts
  EXPECT_TRUE(prefs.Exists(StringC("s")));
  prefs.Remove(StringC("S"));
  EXPECT_FALSE(prefs.Exists(StringC("S")));

  const std::vector<std::tuple<const char*, unsigned char, bool>> booleans = {
      {"True", 0, true}, {"yes", 0, true}, {"FALSE", 1, false}, {"no", 1, false},
      {"1", 0, false},   {"1", 1, true},   {"", 1, true},        {"$(T)", 0, true},
  };
  prefs.AddValue(StringC("T"), StringC("Yes"));
  for (const auto& [text, dflt, expected] : booleans) {
    prefs.AddValue(StringC("B"), StringC(text));
    EXPECT_EQ(prefs.GetBoolean(StringC("B"), dflt), expected) << text;
  }
}

}  // namespace
