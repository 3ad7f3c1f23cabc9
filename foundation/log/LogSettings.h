#pragma once
// Where logging reads its settings. The log manager and the file logger need a few preferences
// (LogFile, LogFileOld, LogFileSize, LogLevel, LogModules, LogFlags, LogMsgCatPath,
// ProgramPath); the preference code installs an object that answers them, with $(Name)
// references already expanded. Without one, every setting is missing and logging uses the
// defaults its own rules give.

#include <cstdint>
#include <string>

#include "foundation/core/Nodiscard.h"

namespace hx {

class LogSettingsI {
 public:
  virtual ~LogSettingsI() = default;
  // The expanded value of the named setting; false when it is not set.
  HX_NODISCARD virtual bool Get(const char* name, std::string& expandedValue) = 0;
};

// Installs the settings (not owned; null removes them). Takes effect for managers and loggers
// created afterwards.
void SetLogSettings(LogSettingsI* settings);
LogSettingsI* GetLogSettings();

// The value of a setting, or `fallback` when it is not set.
std::string LogSetting(const char* name, const std::string& fallback = std::string());

// Setting names.
constexpr const char* kLogFile = "LogFile";
constexpr const char* kLogFileOld = "LogFileOld";
constexpr const char* kLogFileSize = "LogFileSize";
constexpr const char* kLogLevel = "LogLevel";
constexpr const char* kLogModules = "LogModules";
constexpr const char* kLogFlags = "LogFlags";
constexpr const char* kLogMsgCatPath = "LogMsgCatPath";
constexpr const char* kProgramPath = "ProgramPath";

// Defaults the logging rules give.
constexpr const char* kDefaultLogLevel = "A-z";
constexpr const char* kDefaultLogModules = "default";
constexpr uint32_t kDefaultLogFlags = 1;
constexpr int64_t kDefaultLogFileSize = 4000000;

}  // namespace hx
