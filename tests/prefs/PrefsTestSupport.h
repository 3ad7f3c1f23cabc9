#pragma once
// A whole preference load as start-up does it, for the preference tests: the configuration
// file (INI text) mounted through TARVOSKCONFIGINI, the data directory (and so the log) in a
// temporary directory, a fresh process environment built from that configuration, then the
// tracker's LoadPreferences over a command line.

#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "prefs/defaults/SharedDefaults.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "prefs/tracker/TrkUnixPreferences.h"
#include "support/TestSupport.h"

namespace hxprefs {

class LoadC {
 public:
  explicit LoadC(const std::string& ini = "", const char* tag = "hxprefs") : dir(tag) {
    iniPath_ = dir.Write("tarvosk.ini", ini);
    dataDir_ = dir.Mkdir("data");
    env_.Set("TARVOSKCONFIGINI", iniPath_.c_str());
    env_.Set("TARVOSKDATADIR", dataDir_.c_str());
    env_.Set("TARVOSKINSTALLDIR", nullptr);
    env_.Set("TARVOSKSYSROOT", nullptr);
    Fresh();
  }
  ~LoadC() {
    log_LogManagerC::ReleaseInstance(0);
    prefs_.reset();
    env_EnvironmentC::ResetCurrent();
    getConfiguration(1)->registry()->Reset();
    hx::SetLogSettings(nullptr);
  }
  LoadC(const LoadC&) = delete;
  LoadC& operator=(const LoadC&) = delete;

  // Loads with `args` after the program name "hxtrack".
  hx::ResultT Load(const std::vector<std::string>& args = {}) {
    std::vector<std::string> all{"hxtrack"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    prefs_ = std::make_unique<TrkUnixPreferencesC>();
    return prefs_->LoadPreferences(static_cast<int>(all.size()), argv.data());
  }
  TrkUnixPreferencesC& Prefs() { return *prefs_; }
  std::string Value(const env_EnvOptsC& name) { return prefs_->GetValue(name, 1); }
  std::string Value(const char* name) { return prefs_->GetValue(StringC(name), 1); }
  StringArrayC Values(const env_EnvOptsC& name) { return prefs_->GetMultiValue(name, 1); }
  // The log so far (the log manager is released, so the next line opens it again).
  std::string Log() {
    log_LogManagerC::ReleaseInstance(0);
    return hxtest::ReadFile(dataDir_ + "/log/tracker.log");
  }
  const std::string& DataDir() const { return dataDir_; }

  hxtest::TempDirC dir;

 private:
  void Fresh() {
    log_LogManagerC::ReleaseInstance(0);
    getConfiguration(1)->registry()->Reset();
    HX_IGNORE_RESULT(EnvUnixC::InitRegistry());  // a fixture without configuration files is as good
    hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());
    env_RestoreSharedDefaults();
    env_EnvironmentC::ResetCurrent();
    getErrBuf()->reset();
  }

  hxtest::ScopedEnvC env_;
  std::string iniPath_, dataDir_;
  std::unique_ptr<TrkUnixPreferencesC> prefs_;
};

}  // namespace hxprefs
