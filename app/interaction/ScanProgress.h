#pragma once
// ScanProgressC: the running count of a file scan on the status window: files and bytes
// examined so far and the directory the walk is in, shortened by the path truncator to
// "ProgressDepth" levels. Formed only when the window is drawn in place on a terminal (the
// interactive levels with standard output a terminal), and at most c_RefreshInterval apart, so
// a quiet run, cron and the log see nothing of it and the walk pays one clock read per entry.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "app/interaction/FilePathTruncator.h"
#include "foundation/files/FileInfo.h"

class TrkPreferencesC;

class ScanProgressC {
 public:
  static constexpr std::chrono::milliseconds c_RefreshInterval{250};
  using HookT = std::function<void(const std::string& path, const FileInfoC& info)>;

  explicit ScanProgressC(TrkPreferencesC& prefs);
  // What the scan calls for every entry it meets; empty when nothing is shown.
  HookT Hook();
  void Examined(const std::string& path, const FileInfoC& info);
  // Shows the totals as the walk ends.
  void Finish();
  // The detail line for these counts.
  std::string Text() const;

 private:
  void Show();

  bool active_;
  FilePathTruncatorC truncator_;
  uint64_t files_ = 0, bytes_ = 0;
  std::string last_;  // the last entry met
  bool lastIsDirectory_ = false;
  std::chrono::steady_clock::time_point shown_{};
};
