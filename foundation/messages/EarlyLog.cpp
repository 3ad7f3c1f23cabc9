#include "foundation/messages/EarlyLog.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/messages/Errors.h"

namespace hx {

namespace {

struct EarlyLineT {
  int32_t id;
  std::string text;
  ArgListC args;
};

struct EarlyLogT {
  std::mutex lock;
  EarlyLogWriterT writer = nullptr;  // set while the log is ready
  std::vector<EarlyLineT> kept;
  size_t count = 0;
};

EarlyLogT& State() {
  static EarlyLogT s;
  return s;
}

// Above zero while the log cannot take a line on this thread.
thread_local int s_Busy = 0;

void Write(EarlyLogWriterT writer, const EarlyLineT& line) {
  EarlyLogBusyC busy;  // a line met while this one is written cannot go there too
  writer(line.id, line.text.c_str(), line.args);
}

void PrintOnStandardError(const EarlyLineT& line) {
  ErrSevT sev;
  const std::string text = FormatArgs(ApplyMarkup(line.text, sev), line.args);
  std::fprintf(stderr, "hxtrack: %s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace

void LogEarlyArgs(int32_t id, const char* text, ArgListC args, bool alsoStandardError) {
  EarlyLineT line{id, text != nullptr ? text : "", std::move(args)};
  EarlyLogT& s = State();
  EarlyLogWriterT writer = nullptr;
  {
    std::lock_guard<std::mutex> g(s.lock);
    ++s.count;
    if (s_Busy == 0) writer = s.writer;
    if (writer == nullptr) s.kept.push_back(line);
  }
  if (writer != nullptr) Write(writer, line);
  if (writer == nullptr || alsoStandardError) PrintOnStandardError(line);
}

void SetEarlyLogWriter(EarlyLogWriterT writer) {
  std::vector<EarlyLineT> kept;
  {
    EarlyLogT& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.writer = writer;
    if (writer != nullptr) kept.swap(s.kept);
  }
  for (const EarlyLineT& line : kept) Write(writer, line);
}

size_t EarlyLogCount() {
  EarlyLogT& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  return s.count;
}

EarlyLogBusyC::EarlyLogBusyC() { ++s_Busy; }
EarlyLogBusyC::~EarlyLogBusyC() { --s_Busy; }

}  // namespace hx
