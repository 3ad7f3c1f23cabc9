// The shared defaults and the facts about the machine that fill a new environment, the search
// path and the string converters.

#include "prefs/PrefsTestSupport.h"
#include "prefs/defaults/EnvConverters.h"
#include "prefs/defaults/EnvDefaultBuilder.h"
#include "prefs/defaults/SearchPath.h"

namespace {

using hxprefs::LoadC;

// A fresh environment built the way the process builds its own, over the configuration `ini`
// and a fixture machine root holding the given uname and os-release texts.
struct MachineT { std::string uname; std::string osRelease; std::string ini; const char* installDir = nullptr; };

class BuiltC {
 public:
  explicit BuiltC(const MachineT& m) : load_(m.ini), root_("hxprefs-root") {
    if (!m.uname.empty()) root_.Write(".snapshot/uname", m.uname);
    if (!m.osRelease.empty()) root_.Write("etc/os-release", m.osRelease);
    env_.Set("TARVOSKSYSROOT", root_.Path().c_str());
    if (m.installDir != nullptr) {
      env_.Set("TARVOSKINSTALLDIR", m.installDir);
      getConfiguration(1)->registry()->Reset();
      HX_IGNORE_RESULT(EnvUnixC::InitRegistry());  // the defaults are the subject, not the files
    }
    env_RestoreSharedDefaults();
    env_EnvDefaultBuilderC().AugmentNormalProperties(environment_);
  }
  std::string Raw(const char* name) const {
    const env_ParameterC* p = environment_.Find(name);
    return p != nullptr ? p->Value() : "<unset>";
  }
  std::string Read(const char* name) {
    EnvPreferencesC prefs(&environment_);
    return prefs.GetValue(StringC(name));
  }

 private:
  LoadC load_;
  hxtest::TempDirC root_;
  hxtest::ScopedEnvC env_;
  env_EnvironmentC environment_;
};

const char* c_SunOS = "sysname=SunOS\nnodename=alpha.example.com\nrelease=5.11\nversion=11.4\nmachine=i86pc\n";

TEST(PrefsDefaults, MachineFactsAndSharedValues) {
  BuiltC built({c_SunOS, "", ""});
  const std::vector<std::pair<const char*, const char*>> raw = {
      {"OS", "SunOS"},          {"OSNAMES", "SunOS"},           {"OSVERSION", "5.11"},
      {"ComputerName", "alpha"}, {"OSComputerDomain", "example.com"}, {"OSUserLogonDomain", "example.com"},
      {"Architecture", "i86pc"}, {"OSDistributorId", "<unset>"},
  };
  for (const auto& [name, value] : raw) EXPECT_EQ(built.Raw(name), value) << name;
  EXPECT_EQ(built.Read("URLComputerDomain"), "example.com_domain/");
  EXPECT_EQ(built.Read("PackageDatabasePath"), built.Read("CommonAppDataFolder") + "/cache/packagedb.cdb");
  EXPECT_EQ(built.Read("RebootCmdLine"), "\"/opt/tarvosk/bin/reboot\"");
  const bool root = ::geteuid() == 0;
  EXPECT_EQ(built.Raw("AdminUser"), root ? "True" : "False");
  if (root) {
    EXPECT_EQ(built.Raw("UserName"), "system");
  }
  EXPECT_EQ(built.Raw("PID"), std::to_string(::getpid()));
}

struct OSCaseT { const char* what; MachineT machine; const char *os, *names, *version, *distributor; };

TEST(PrefsDefaults, OperatingSystemAndDistributor) {
  const std::string linux = "sysname=Linux\nnodename=box\nrelease=6.1.0-18-amd64\nmachine=x86_64\n";
  const std::vector<OSCaseT> cases = {
      {"known distributor", {linux, "NAME=\"CentOS Linux\"\nID=\"centos\"\n", ""}, "Linux", "Linux;RedHat;centos",
       "6.1.0-18-amd64", "centos"},
      {"unknown distributor", {linux, "ID=debian\n", ""}, "Linux", "Linux;debian", "6.1.0-18-amd64", "debian"},
      {"name when there is no id", {linux, "NAME=\"SUSE LINUX\"\n", ""}, "Linux",
       "Linux;SuSE;SuSE Linux;openSUSE;SUSE LINUX", "6.1.0-18-amd64", "SUSE LINUX"},
      {"registry map wins", {linux, "ID=centos\n", "[Tarvosk\\Common\\OSNameMap]\ncentos=Enterprise;EL\n"}, "Linux",
       "Linux;Enterprise;EL;centos", "6.1.0-18-amd64", "centos"},
      {"empty registry map", {linux, "ID=fedora\n", "[Tarvosk\\Common\\OSNameMap]\nfedora=\n"}, "Linux",
       "Linux;fedora", "6.1.0-18-amd64", "fedora"},
      {"no os-release", {linux, "", ""}, "Linux", "Linux", "6.1.0-18-amd64", "<unset>"},
      {"unknown system", {"sysname=Plan9\nrelease=\n", "ID=centos\n", ""}, "unknown", "unknown", "0,0,0,0", "<unset>"},
  };
  for (const OSCaseT& c : cases) {
    BuiltC built(c.machine);
    EXPECT_EQ(built.Raw("OS"), c.os) << c.what;
    EXPECT_EQ(built.Raw("OSNAMES"), c.names) << c.what;
    EXPECT_EQ(built.Raw("OSVERSION"), c.version) << c.what;
    EXPECT_EQ(built.Raw("OSDistributorId"), c.distributor) << c.what;
  }
}

TEST(PrefsDefaults, InstallDirectoryMovesTheProgramPath) {
  BuiltC built({c_SunOS, "", "", "/inst"});
  EXPECT_EQ(built.Raw("ProgramPath"), "/inst/bin");
  EXPECT_EQ(built.Raw("PluginDirectory"), "/inst/bin/plugins");
  EXPECT_EQ(built.Raw("InstallDir"), "/inst");
  EXPECT_EQ(built.Read("PostponeCmdLine"), "\"/inst/bin/tvkpostpone\"");
}

TEST(PrefsDefaults, HostNamesSplitAfterTheirFirstCharacter) {
  const std::vector<std::tuple<const char*, bool, const char*, const char*>> cases = {
      {"alpha.example.com", true, "alpha", "example.com"},
      {"a.b", true, "a", "b"},
      {".hidden", false, "", ""},
      {".x.y", true, ".x", "y"},
      {"plain", false, "", ""},
      {"", false, "", ""},
  };
  for (const auto& [host, split, computer, domain] : cases) {
    StringC c, d;
    EXPECT_EQ(env_EnvDefaultBuilderC::SplitHostName(host, c, d), split) << host;
    if (split) {
      EXPECT_EQ(c, computer) << host;
      EXPECT_EQ(d, domain) << host;
    }
  }
  BuiltC built({"sysname=SunOS\nnodename=.hidden\n", "", ""});
  EXPECT_EQ(built.Raw("ComputerName"), ".hidden");
}

TEST(PrefsDefaults, AddPathPutsADirectoryInFrontOnce) {
  const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
      {"/usr/bin", "/usr/sbin", "/usr/sbin:/usr/bin"},
      {"/usr/sbin:/usr/bin", "/usr/sbin", "/usr/sbin:/usr/bin"},
      {"/usr/bin::/usr/sbin/", "/usr/sbin", "/usr/sbin:/usr/bin::/usr/sbin/"},
      {"/USR/SBIN", "/usr/sbin", "/usr/sbin:/USR/SBIN"},
      {nullptr, "/usr/sbin", "/usr/sbin:"},
  };
  for (const auto& [path, dir, expected] : cases) {
    hxtest::ScopedEnvC env("PATH", path);
    EXPECT_EQ(EnvUnixPathC::AddPath(dir), 0);
    EXPECT_STREQ(std::getenv("PATH"), expected) << (path ? path : "unset");
  }
}

// The converters the derived values and the run's intervals are read with.
TEST(PrefsDefaults, Converters) {
  const env_FunStrToBoolC toBool;
  EXPECT_TRUE(toBool("yEs", false));
  EXPECT_FALSE(toBool("NO", true));
  for (const auto& [text, value] : std::vector<std::pair<const char*, long>>{
           {"42", 42}, {"", -1}, {"4x", -1}, {"-3", -1}, {"99999999999999999999", -1}})
    EXPECT_EQ(env_FunStrToIntC()(text, -1), value) << text;
}

}  // namespace
