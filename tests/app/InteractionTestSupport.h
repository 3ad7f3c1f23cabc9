#pragma once
// Shared by the interaction tests: a pipe whose read end never waits, and a fixture that gives
// the run preferences in an environment of their own and a log file of its own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "foundation/log/LogManager.h"
#include "foundation/log/LogSettings.h"
#include "prefs/store/Environment.h"
#include "prefs/tracker/TrkPreferences.h"
#include "support/TestSupport.h"

namespace hxapp {

// A console end that a test reads back.
class PipeC {
 public:
  PipeC() {
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    if (fds_[0] >= 0) ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
  }
  ~PipeC() {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  PipeC(const PipeC&) = delete;
  PipeC& operator=(const PipeC&) = delete;
  int WriteEnd() const { return fds_[1]; }
  // Everything written since the last call.
  std::string Take() {
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fds_[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    return text;
  }

 private:
  int fds_[2];
};

class LogFileSettingsC : public hx::LogSettingsI {
 public:
  explicit LogFileSettingsC(std::string path) : path_(std::move(path)) {}
  bool Get(const char* name, std::string& value) override {
    if (std::string(name) != hx::kLogFile) return false;
    value = path_;
    return true;
  }

 private:
  std::string path_;
};

// The run's preferences in an environment of their own and its log in the test's directory.
class InteractionFixture : public testing::Test {
 protected:
  void SetUp() override {
    env_EnvironmentC::SetCurrent(&env_);
    log_LogManagerC::ReleaseInstance(0);
    hx::SetLogSettings(&logSettings_);
  }
  void TearDown() override {
    log_LogManagerC::ReleaseInstance(0);
    hx::SetLogSettings(nullptr);
    env_EnvironmentC::SetCurrent(nullptr);
  }
  void Set(const env_EnvOptsC& name, const char* value) {
    prefs_.Remove(name);
    if (value != nullptr) prefs_.AddValue(name, StringC(value));
  }
  std::string Log() {
    log_LogManagerC::ReleaseInstance(0);
    return hxtest::ReadFile(logPath_);
  }

  hxtest::TempDirC dir_{"hxgui"};
  std::string logPath_ = dir_.File("tracker.log");
  LogFileSettingsC logSettings_{logPath_};
  env_EnvironmentC env_;
  TrkPreferencesC prefs_{&env_};
};

}  // namespace hxapp
