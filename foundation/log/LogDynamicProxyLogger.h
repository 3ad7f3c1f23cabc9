#pragma once
// A logger that hands entries to a loadable logger module (LogModule.h says how a module is
// written and where it is looked for).

#include <string>
#include <vector>

#include "foundation/log/LogModule.h"
#include "foundation/log/Logger.h"

class log_LogDynamicProxyLoggerC : public log_LoggerC {
 public:
  // Loads the module named `name` and initialises it; a module that cannot be loaded leaves the
  // logger invalid.
  explicit log_LogDynamicProxyLoggerC(const std::string& name);
  ~log_LogDynamicProxyLoggerC() override;

  void Log(const log_LogEntryC& entry) override;
  bool IsValid() const override { return module_ != nullptr; }
  std::string GetPreferedLogLevel(const std::string& level) override;

  // The library files tried for a module name, in order.
  static std::vector<std::string> Candidates(const std::string& name);
  // The file that was loaded; empty when none.
  const std::string& ModulePath() const { return path_; }

 private:
  void* module_ = nullptr;
  std::string path_;
  HxlLogInitializeF initialize_ = nullptr;
  HxlLogF log_ = nullptr;
  HxlLogFinalizeF finalize_ = nullptr;
  HxlLogPreferedLogLevelF preferedLevel_ = nullptr;
};
