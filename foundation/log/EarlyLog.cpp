#include "foundation/log/EarlyLog.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"

namespace hx {

namespace {

constexpr int c_Letter = 'G';
constexpr int c_Number = 0;

struct EarlyLineT {
  int32_t id;
  std::string text;
  ArgListC args;
};

struct EarlyLogT {
  std::mutex lock;
  bool ready = false;
  std::vector<EarlyLineT> kept;
  size_t count = 0;
};

EarlyLogT& State() {
  static EarlyLogT s;
  return s;
}

// Above zero while the log cannot take a line on this thread.
thread_local int s_Busy = 0;

void Write(const EarlyLineT& line) {
  EarlyLogBusyC busy;  // a line met while this one is written cannot go there too
  log_LogManagerC::Instance()->LogArgs(c_Letter, c_Number, LogSetOf(line.id), LogNumberOf(line.id), line.text.c_str(),
                                       line.args);
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
  bool now = false;
  {
    std::lock_guard<std::mutex> g(s.lock);
    ++s.count;
    now = s.ready && s_Busy == 0;
    if (!now) s.kept.push_back(line);
  }
  if (now) Write(line);
  if (!now || alsoStandardError) PrintOnStandardError(line);
}

void SetEarlyLogReady(bool ready) {
  std::vector<EarlyLineT> kept;
  {
    EarlyLogT& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.ready = ready;
    if (ready) kept.swap(s.kept);
  }
  for (const EarlyLineT& line : kept) Write(line);
}

size_t EarlyLogCount() {
  EarlyLogT& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  return s.count;
}

EarlyLogBusyC::EarlyLogBusyC() { ++s_Busy; }
EarlyLogBusyC::~EarlyLogBusyC() { --s_Busy; }

}  // namespace hx
