#pragma once
// Loggers write accepted log entries somewhere (a file, a loadable module); a log instance puts
// a filter in front of one logger.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/log/LogEntry.h"
#include "foundation/trace/LetterMasks.h"

class log_LoggerC {
 public:
  explicit log_LoggerC(std::string name) : name_(std::move(name)) {}
  virtual ~log_LoggerC() = default;
  log_LoggerC(const log_LoggerC&) = delete;
  log_LoggerC& operator=(const log_LoggerC&) = delete;

  virtual void Log(const log_LogEntryC& entry) = 0;
  // False for a logger that can never write (its instance is then not added).
  virtual bool IsValid() const = 0;
  // The filter text this logger wants, given the LogLevel setting.
  virtual std::string GetPreferedLogLevel(const std::string& level) { return level; }

  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

// A logger with its filter: per letter "A" to "z", a mask of the accepted numbers 0 to 31.
class log_LogInstanceC {
 public:
  // The filter is read from the logger's preferred level for `level`.
  log_LogInstanceC(std::unique_ptr<log_LoggerC> logger, const std::string& level);

  // Replaces the filter. A text that cannot be read entirely keeps what was read before the
  // fault; false then.
  HX_NODISCARD bool SetFilter(std::string_view level);
  bool Accepts(int letter, int number) const { return hx::LetterBitSet(masks_, letter, number); }
  const hx::LetterMasksT& Masks() const { return masks_; }

  const std::string& Name() const { return logger_->Name(); }
  log_LoggerC& Logger() { return *logger_; }
  const log_LoggerC& Logger() const { return *logger_; }

 private:
  std::unique_ptr<log_LoggerC> logger_;
  hx::LetterMasksT masks_{};
};
