// The preference load as start-up runs it: defaults, the configuration registry, the command
// line, derived values and validation, observed through the values, the status, the error
// buffer and the log.

#include "platform/OSInfo.h"
#include "prefs/PrefsTestSupport.h"
#include "prefs/tracker/TrkMessages.h"

namespace {

using P = TrkPreferencesC;
using hxtest::Count;
using hxprefs::LoadC;

constexpr const char* c_Separator = "************************************************************";

struct ExpectT { const env_EnvOptsC* name; const char* value; };  // value: read expanded; null: does not exist

void ExpectValues(LoadC& load, const std::vector<ExpectT>& expected, const std::string& what) {
  for (const ExpectT& e : expected) {
    if (e.value == nullptr) EXPECT_FALSE(load.Prefs().Exists(*e.name)) << what << ": " << e.name->Name();
    else EXPECT_EQ(load.Value(*e.name), e.value) << what << ": " << e.name->Name();
  }
}

// What a load without registry or command line derives: the files below the data directory,
// the machine's names, the expanded upload file name, and one separator and the arguments in
// the log before anything else.
TEST(PrefsLoading, DefaultsWithoutRegistryOrCommandLine) {
  LoadC load;
  ASSERT_EQ(load.Load(), hx::RC_OK);
  ExpectValues(load,
               {{&P::c_ExpectHardware, "True"},
                {&P::c_ExpectTrackFilesInUserInventory, "True"},
                {&P::c_LogFile, (load.DataDir() + "/log/tracker.log").c_str()},
                {&P::c_LogFileOld, (load.DataDir() + "/log/tracker.old.log").c_str()},
                {&P::c_InventoryDirectory, (load.DataDir() + "/tracker/inventories").c_str()},
                {&P::c_Generation, nullptr},
                {&P::c_UploadLocation, nullptr}},
               "defaults");
  // The default empty include list exists without values.
  EXPECT_TRUE(load.Prefs().Exists(P::c_IncludeDirectory));
  EXPECT_TRUE(load.Values(P::c_IncludeDirectory).empty());
  EXPECT_EQ(load.Value(P::c_MachineName), hx::ToLower(load.Value("ComputerName")));
  EXPECT_EQ(load.Value(P::c_MachineId), load.Value(P::c_MachineName));
  EXPECT_EQ(load.Value("UserAccountName"), load.Value(P::c_UserName));
  EXPECT_EQ(load.Value(P::c_UploadFile),
            load.Value(P::c_UserName) + " on " + load.Value(P::c_MachineName) + " at " + load.Value(P::c_DateTime) +
                " for Machine ().hxi");
  EXPECT_EQ(load.Value(P::c_DateTime).size(), 15u);  // %Y%m%dT%H%M%S
  const std::string log = load.Log();
  EXPECT_EQ(Count(log, c_Separator), 1u);
  EXPECT_NE(log.find("Program arguments are 'hxtrack'"), std::string::npos);
  EXPECT_NE(log.find("Preferences loaded"), std::string::npos);
  EXPECT_LT(log.find(c_Separator), log.find("Program arguments are"));
}

// One load and what must come of it: status, values, lists, reports and a line in the log.
struct OutcomeT {
  std::vector<std::string> args;
  hx::ResultT result = hx::RC_OK;
  std::vector<ExpectT> values = {};
  const char* logLine = nullptr;  // a line the log must hold, or null
  std::vector<std::pair<hx::ResultT, size_t>> errors = {};  // id, times reported
  std::string ini = "";
  std::vector<std::pair<const env_EnvOptsC*, StringArrayC>> lists = {};
};

// Loads as start-up does; every load logs one separator, and "Preferences loaded" once it succeeded.
void ExpectLoad(const OutcomeT& c, std::string what = "") {
  for (const std::string& a : c.args) what += " " + a;
  LoadC load(c.ini);
  EXPECT_EQ(load.Load(c.args), c.result) << what;
  ExpectValues(load, c.values, what);
  for (const auto& [name, values] : c.lists) EXPECT_EQ(load.Values(*name), values) << what;
  const std::vector<int32_t> ids = hxtest::ErrorIds();
  for (const auto& [id, times] : c.errors) {
    EXPECT_EQ(static_cast<size_t>(std::count(ids.begin(), ids.end(), id)), times) << what << std::hex << id;
  }
  const std::string log = load.Log();
  if (c.logLine != nullptr) {
    EXPECT_NE(log.find(c.logLine), std::string::npos) << what << "\n" << log;
  }
  EXPECT_EQ(Count(log, c_Separator), 1u) << what;
  EXPECT_EQ(log.find("Preferences loaded") != std::string::npos, hx::Succeeded(c.result)) << what;
}

TEST(PrefsLoading, CommandLineAndValidationOutcomes) {
  const std::vector<OutcomeT> cases = {
      {{"-x"}, trk::MSG_INVALID_OPTION, {{&P::c_InventoryType, nullptr}}, "(P, 0)] {", {{trk::MSG_INVALID_OPTION, 1}}},
      {{"-o"}, trk::MSG_INVALID_OPTION, {}, "ERROR: '-o' is not a valid command-line option", {}},
      {{"-o", "Compress=False", "-x", "-o", "Hardware=False"},
       trk::MSG_INVALID_OPTION,
       {{&P::c_Compress, "False"}, {&P::c_Hardware, "True"}},
       "ERROR: '-x' is not a valid command-line option",
       {}},
      {{"-o", "UserInteractionLevel=loud"},
       trk::MSG_BAD_INTERACTION_LEVEL,
       {},
       "ERROR: Preference 'UserInteractionLevel' is invalid: must be 'FULL', 'STATUS' , 'AUTO' or 'QUIET'",
       {{trk::MSG_BAD_INTERACTION_LEVEL, 1}}},
      {{"-o", "UserInteractionLevel=qUiEt"}, hx::RC_OK, {{&P::c_UserInteractionLevel, "qUiEt"}}, nullptr, {}},
      {{"-o", "ProgressDepth=0"}, hx::RC_OK, {{&P::c_ProgressDepth, "3"}},
       "WARNING: Preference 'ProgressDepth' is invalid: Default to 3", {}},
      {{"-o", "ProgressDepth=11"}, hx::RC_OK, {{&P::c_ProgressDepth, "3"}},
       "WARNING: Preference 'ProgressDepth' is invalid: Default to 3", {}},
      {{"-o", "ProgressDepth=ten"}, hx::RC_OK, {{&P::c_ProgressDepth, "3"}}, "(P, 2)", {}},
      {{"-o", "ProgressDepth=10"}, hx::RC_OK, {{&P::c_ProgressDepth, "10"}}, nullptr, {}},
      {{"-o", "Compress=maybe"}, trk::MSG_NOT_BOOLEAN, {},
       "ERROR: Preference 'Compress' is invalid: must be boolean value", {{trk::MSG_NOT_BOOLEAN, 1}}},
      {{"-o", "Compress="}, hx::RC_OK, {{&P::c_Compress, ""}}, nullptr, {}},
      {{"-o", "IncludeMD5=0123456789ABCDEF0123456789abcdef"}, hx::RC_OK, {}, nullptr, {}},
      {{"-o", "IncludeMD5=0123456789abcdef0123456789abcde;0123456789abcdef0123456789abcdeg;"
              "0123456789abcdef0123456789abcdef"},
       trk::MSG_BAD_INCLUDE_MD5, {}, "ERROR: Preference 'IncludeMD5' is invalid: must be hex MD5 digest",
       {{trk::MSG_BAD_INCLUDE_MD5, 2}}},
      {{"-o", "ExcludeMD5=nothex"}, trk::MSG_BAD_EXCLUDE_MD5, {}, "'ExcludeMD5' is invalid", {{trk::MSG_BAD_EXCLUDE_MD5, 1}}},
      {{"-o", "Recurse=False", "-o", "Recurse"}, hx::RC_OK, {{&P::c_Recurse, "True"}}, nullptr, {}},
      {{"-o", "InventoryType=user"}, hx::RC_OK, {{&P::c_IncludeUserInventory, "True"}}, nullptr, {}},
      {{"-t", "USER"}, hx::RC_OK, {{&P::c_InventoryType, "USER"}, {&P::c_IncludeMachineInventory, "False"}}, nullptr, {}},
      {{"-t", "Server"}, trk::MSG_BAD_INVENTORY_TYPE, {},
       "ERROR: Preference 'InventoryType' is invalid: must be 'Machine' or 'User'", {}},
      // Every check runs; the last one that failed gives the status.
      {{"-o", "Compress=maybe", "-o", "UserInteractionLevel=loud"}, trk::MSG_NOT_BOOLEAN, {}, nullptr,
       {{trk::MSG_BAD_INTERACTION_LEVEL, 1}, {trk::MSG_NOT_BOOLEAN, 1}}},
  };
  for (const OutcomeT& c : cases) ExpectLoad(c);
}

TEST(PrefsLoading, NamesOutsideTheListKeepTheWholeText) {
  LoadC load;
  ASSERT_EQ(load.Load({"-o", "Foo=a,b", "-o", "job=x;y", "-o", "IncludeFile=a.so, b.so;;"}), hx::RC_OK);
  EXPECT_EQ(load.Value("Foo"), "a,b");
  EXPECT_EQ(load.Value(P::c_JobTag), "x;y");
  EXPECT_EQ(load.Values(P::c_IncludeFile), (StringArrayC{"a.so", "b.so"}));
}

TEST(PrefsLoading, DerivedValues) {
  const std::vector<OutcomeT> cases = {
      {{"-o", "Difference=True", "-o", "Generation=3"}, hx::RC_OK,
       {{&P::c_Generation, "4"}, {&P::c_Difference, "True"}}},
      {{"-o", "Difference=True", "-o", "Generation=9"}, hx::RC_OK,
       {{&P::c_Generation, "9"}, {&P::c_Difference, "False"}}},
      {{"-o", "Difference=True"}, hx::RC_OK, {{&P::c_Generation, "1"}, {&P::c_Difference, "True"}}},
      {{"-t", "User"}, hx::RC_OK, {{&P::c_ExpectHardware, "False"}, {&P::c_ExpectTrackFilesInUserInventory, "False"}}},
      {{"-t", "User", "-o", "UserHardware=True", "-o", "TrackFilesInUserInventory=yes"}, hx::RC_OK,
       {{&P::c_ExpectHardware, "True"}, {&P::c_ExpectTrackFilesInUserInventory, "True"}}},
      {{"-o", "Hardware=False"}, hx::RC_OK, {{&P::c_ExpectHardware, "False"}}},
      {{"-o", "UserInteractionLevel=quiet"}, hx::RC_OK, {{&P::c_UserInteractionLevel, "quiet"}}},
      {{"-o", "UploadFile=report"}, hx::RC_OK, {{&P::c_UploadFile, "report.hxi"}, {&P::c_InventoryExtension, "hxi"}}},
      {{"-o", "Inventory=/srv/in/x.tgz"}, hx::RC_OK, {{&P::c_UploadFile, "x.tgz"}, {&P::c_InventoryExtension, "tgz"}}},
      {{"-o", "PkgCacheDirectory=/pkg"}, hx::RC_OK, {{&P::c_TarvoskPackages, "True"}, {&P::c_ExpectSoftware, "True"}}},
      {{"-o", "PkgLiveDirectory=/pkg", "-o", "IncludeMachineInventory=False"}, hx::RC_OK,
       {{&P::c_TarvoskPackages, nullptr}}},
      {{"-o", "PlatformSpecificPackages=False"}, hx::RC_OK, {{&P::c_ExpectSoftware, "False"}}},
  };
  for (const OutcomeT& c : cases) ExpectLoad(c);
  LoadC load;
  ASSERT_EQ(load.Load({"-o", "Configuration=/cfg", "-o", "ComputerDomain=example.org"}), hx::RC_OK);
  EXPECT_EQ(load.Prefs().GetValue(P::c_InventoryFile, 0), "$(Configuration)/$(MachineId).hxi");
  EXPECT_EQ(load.Value(P::c_FullyQualifiedDomainName), load.Value(P::c_MachineId) + ".example.org");
}

TEST(PrefsLoading, CommandLineListsReplaceAndReferToTheirOldValues) {
  const std::vector<std::pair<std::string, StringArrayC>> cases = {
      {"IncludeExtension=exe;dll", {"exe", "dll"}},
      {"IncludeExtension=$(IncludeExtension);exe", {"sys", "sys2", "swtag", "cmptag", "exe"}},
      {"includeextension=jar,$(INCLUDEEXTENSION)", {"jar", "sys", "sys2", "swtag", "cmptag"}},
      {"IncludeExtension=", {}},
      {"IncludeExtension= a ;\tb\t,,a", {"a", "b"}},
  };
  for (const auto& [arg, expected] : cases) {
    LoadC load;
    ASSERT_EQ(load.Load({"-o", arg}), hx::RC_OK) << arg;
    EXPECT_EQ(load.Values(P::c_IncludeExtension), expected) << arg;
    EXPECT_TRUE(load.Prefs().Exists(P::c_IncludeExtension)) << arg;
  }
}

struct RegistryT {
  const char* what;
  std::string ini;
  std::vector<std::string> args;
  std::vector<ExpectT> values;
  std::vector<std::pair<const env_EnvOptsC*, StringArrayC>> lists;
};

TEST(PrefsRegistry, ValuesFromTheConfigurationRegistry) {
  const std::string os = OSInfoC().SystemName();
  const std::vector<RegistryT> cases = {
      {"list split at separators", "[Tarvosk\\Tracker\\CurrentVersion]\nIncludeDirectory=/opt;/usr/local\n", {}, {},
       {{&P::c_IncludeDirectory, {"/opt", "/usr/local"}}}},
      {"fixed companion locks the value",
       "[Tarvosk\\Tracker\\CurrentVersion]\nIncludeDirectory=/opt;/usr/local\nIncludeDirectoryFixed=True\n",
       {"-o", "IncludeDirectory=/home"}, {}, {{&P::c_IncludeDirectory, {"/opt", "/usr/local"}}}},
      {"command line overrides the registry", "[Tarvosk\\Tracker\\CurrentVersion]\nIncludeDirectory=/opt\n",
       {"-o", "IncludeDirectory=/home"}, {}, {{&P::c_IncludeDirectory, {"/home"}}}},
      {"upload rule read whole", "[Tarvosk]\nServerLocation=/srv\n[Tarvosk\\Common\\Rules]\nInventory=/up/a;b.hxi\n", {},
       {{&P::c_UploadRule, "/up/a;b.hxi"}}, {}},
      {"policy key overrides product key",
       "[Tarvosk]\nMachineAlternateRegistryHive=Software\\Tarvosk Corp\\Policy\n"
       "[Tarvosk\\Tracker\\CurrentVersion]\nCompress=True\nHardware=False\n[Policy\\Tracker\\CurrentVersion]\nCompress=False\n",
       {}, {{&P::c_Compress, "False"}, {&P::c_Hardware, "False"}}, {}},
      {"operating-system key", "[Tarvosk\\Tracker\\CurrentVersion\\" + os + "]\nIncludeFileSystemType=ext4, xfs\n", {}, {},
       {{&P::c_IncludeFileSystemType, {"ext4", "xfs"}}}},
      {"package directories", "[Tarvosk\\Launcher\\CurrentVersion]\nPkgCacheDirectory=/pc\nPkgLiveDirectory=/pl\n", {},
       {{&P::c_PkgCacheDirectory, "/pc"}, {&P::c_PkgLiveDirectory, "/pl"}, {&P::c_TarvoskPackages, "True"}}, {}},
      {"a remote machine reads the root only",
       "[Tarvosk]\nRemote=True\nRemoteFixed=True\n[Tarvosk\\Common]\nCompress=False\n", {},
       {{&P::c_Remote, "True"}, {&P::c_Compress, "True"}}, {}},
      {"root values are read", "[Tarvosk]\nUserInteractionLevel=Auto\njob=a;b\n", {},
       {{&P::c_UserInteractionLevel, "Auto"}, {&P::c_JobTag, "a;b"}}, {}},
  };
  for (const RegistryT& c : cases) ExpectLoad({c.args, hx::RC_OK, c.values, nullptr, {}, c.ini, c.lists}, c.what);
  // An upload location of its own resets the upload rule to its default.
  LoadC load("[Tarvosk]\nServerLocation=/srv\n[Tarvosk\\Common\\Rules]\nInventory=/up/a.hxi\n");
  ASSERT_EQ(load.Load({"-o", "UploadLocation=/elsewhere"}), hx::RC_OK);
  EXPECT_EQ(load.Prefs().GetValue(P::c_UploadRule, 0),
            "$(ServerLocation)/Inventories/$(UserId) on $(MachineId) at $(DateTime) for $(InventoryType) ($(Generation)).hxi");
}

TEST(PrefsLoading, TraceShowsTheStepsAndEveryPreference) {
  hxtest::TraceCaptureC capture(P::c_TraceCategory);
  {
    LoadC load;
    EXPECT_EQ(load.Load({"-o", "Foo=$(Title) %s"}), hx::RC_OK);
  }
  const std::string trace = capture.Stop();
  size_t at = 0;
  for (const char* step : {"Started loading preferences", "Started preloading default preferences",
                           "Finished preloading registry preferences", "Started loading registry preferences",
                           "Finished loading command-line preferences", "Started postloading default preferences",
                           "Started checking preferences", "Finished checking preferences", "IncludeExtension=sys;sys2;swtag;cmptag",
                           "Title=Prandex", "Finished loading preferences"}) {
    const size_t found = trace.find(step, at);
    EXPECT_NE(found, std::string::npos) << step << "\n" << trace;
    if (found != std::string::npos) at = found;
  }
  EXPECT_NE(trace.find("Foo=Prandex %s"), std::string::npos);
}

}  // namespace
