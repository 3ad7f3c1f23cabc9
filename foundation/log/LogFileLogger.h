#pragma once
// The standard logger: appends one line per entry to the log file,
//
//   [<time> (G, 0)] {4711} Inventory tracking started
//
// The log file (LogFile) is opened when the logger is made. A log larger than LogFileSize at
// that moment is first moved to LogFileOld, replacing an earlier one, so the log is rotated
// at most once per process; a limit of 0 never rotates. An empty LogFile means no log file
// (nothing is printed); LogFileOld empty means no rotation.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "foundation/log/Logger.h"

class log_LogFileLoggerC : public log_LoggerC {
 public:
  static constexpr const char* kName = "default";

  // Reads LogFile, LogFileOld and LogFileSize from the log settings and opens the log.
  log_LogFileLoggerC();
  ~log_LogFileLoggerC() override;

  void Log(const log_LogEntryC& entry) override;
  // A file logger is always kept, even when its file did not open (it then writes nothing).
  bool IsValid() const override { return true; }

  const std::string& FileName() const { return fileName_; }
  bool IsOpen() const { return file_ != nullptr; }

 private:
  void Open(const std::string& oldName, int64_t sizeLimit);
  void LoadFormatsLocked(const log_LogEntryC& entry);

  std::string fileName_;
  std::FILE* file_ = nullptr;
  std::mutex lock_;
  bool formatsLoaded_ = false;
  std::string timeFormat_, lineFormat_;
};
