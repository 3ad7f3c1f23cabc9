#pragma once
// The flag trace's output: one stream per process, the file named by HXTRACEFILE or standard
// error when that is unset or empty. The stream is opened on the first line, written unbuffered,
// and starts with a header that tells where and how the trace was made. With HXTRACETIME set,
// every line starts with the seconds since the output was opened ("12.0345: ").

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"

namespace hx {

class TraceOutputC {
 public:
  static TraceOutputC& Instance();

  // Writes one line (a line end is added when missing), indented by `indent` levels.
  void Write(std::string_view text, int indent);
  // The directory of the configuration file in use, shown in the header; set by the program
  // once the configuration is mounted (a line before that shows none).
  void SetPreferencesDirectory(std::string dir);
  // The product lines of the header; set by the program entry from its build information.
  void SetProduct(std::string title, std::string version);

 private:
  // Opens the stream and writes the header; false when the file cannot be created (reported
  // once, and the trace is then dropped).
  HX_NODISCARD bool OpenLocked();
  void WriteHeaderLocked();

  std::mutex lock_;
  std::FILE* out_ = nullptr;
  bool ownsFile_ = false;
  bool failed_ = false;
  bool timed_ = false;
  std::chrono::steady_clock::time_point openedAt_;
  std::string prefsDir_;
  std::string title_ = "Prandex";
  std::string version_ = "unknown";
};

}  // namespace hx
