#pragma once
// The trace consumer that writes lines to a file, configured by a profile. A profile is a text
// file of lines (at most 255 characters are read of each; the rest of a longer line is dropped):
//
//   # comment                     from "#" to the end of the line
//   +Tracker/Inventory            switch a category on (also: a line without "=")
//   -Tracker/Inventory/Upload     switch a category off
//   *Upload  or  */Upload         switch on every category whose last component is "Upload"
//   max_detail = 3                set an attribute (names ignore case)
//
// Attributes: filename (the output file; "%p" is replaced by the process id, "%t" by the task
// name, "%%" by "%"; without it lines go to standard error), timestamp (local date and time),
// timeofday (time of day with milliseconds), timedeltas (seconds since the previous line,
// "+%lu.%04lu"), show_process, show_threads ("(pid N, thread 0xT)"), show_class (the category
// in brackets), flush_freq (flush after every n lines; 0 leaves it to the stream), max_indent,
// max_detail, trace_timers, trace_counters. Switches take 1/0, true/false, yes/no or on/off.
//
// A line reads:  2024-05-01 14:03:22 +0.0012 (pid 42, thread 0x7f12) [Tracker/Inventory]: text
// and has no prefix at all when no field is switched on. The output file is created when the
// first line is written; one that cannot be created is reported once and its lines dropped.

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/trace/TraceController.h"

struct TraceFileSettingsT {
  static constexpr size_t kMaxProfileLine = 255;

  std::string filename;
  bool timeOfDay = false;
  bool timeStamp = false;
  bool timeDeltas = false;
  bool traceTimers = false;
  bool traceCounters = false;
  bool showProcess = false;
  bool showThreads = false;
  bool showClass = false;
  unsigned flushFreq = 1;
  int maxIndent = 32;
  int maxDetail = TraceControllerC::kDefaultDetail;
};

class TraceConsumerFileC : public TraceConsumerI {
 public:
  // Registers itself with the controller, which must outlive it.
  explicit TraceConsumerFileC(TraceControllerC& controller);
  ~TraceConsumerFileC() override;
  TraceConsumerFileC(const TraceConsumerFileC&) = delete;
  TraceConsumerFileC& operator=(const TraceConsumerFileC&) = delete;

  // Reads a profile. A profile that cannot be opened gives 0xE0000000 | errno and changes
  // nothing.
  HX_NODISCARD hx::ResultT loadProfile(const char* path);
  // Applies one profile line (comments and blanks allowed).
  void applyProfileLine(std::string_view line);
  void newClass(std::string_view name);

  void consume(const TraceControlVarC& category, std::string_view text, int indent) override;

  TraceFileSettingsT settings() const;
  // Lines go to `stream` (not owned) instead of the profile's file; null goes back to the file.
  void setOutput(std::FILE* stream);
  void setTaskName(std::string name);
  TraceControllerC& controller() { return controller_; }

 private:
  void setAttribute(std::string_view name, std::string_view value);
  std::string outputName() const;
  HX_NODISCARD bool openLocked();
  void closeLocked();
  std::string prefixLocked(const TraceControlVarC& category);

  TraceControllerC& controller_;
  mutable std::mutex lock_;
  TraceFileSettingsT settings_;
  std::string taskName_;
  std::FILE* override_ = nullptr;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  unsigned unflushed_ = 0;
  std::chrono::steady_clock::time_point lastLine_;
};
