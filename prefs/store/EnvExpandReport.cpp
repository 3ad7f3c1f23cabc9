#include "prefs/store/EnvExpandReport.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "foundation/core/Format.h"
#include "foundation/log/LogManager.h"
#include "prefs/store/EnvPreferences.h"

namespace {

constexpr int c_LetterGeneral = 'G';
constexpr int c_NumberGeneral = 0;
// A text expanded through Substitute may be long; the log shows its beginning.
constexpr size_t c_ShownTextMax = 200;
constexpr const char* c_Elision = "...";

struct ReportT {
  StringC what, stoppedAt, reason;
};

thread_local int t_Waiting = 0;
std::mutex s_Lock;
std::vector<ReportT> s_Waiting;
std::atomic<bool> s_AnyWaiting{false};

StringC Reason(env_ExpandLimitE limit, const StringC& repeated) {
  switch (limit) {
    case env_ExpandLimitE::References:
      return hx::Format("more than %lu references", static_cast<unsigned long>(EnvPreferencesC::c_MaxExpandedReferences));
    case env_ExpandLimitE::Length:
      return hx::Format("the result would be longer than %lu characters",
                        static_cast<unsigned long>(EnvPreferencesC::c_MaxExpandedLength));
    case env_ExpandLimitE::Repeats:
      return "$(" + repeated + ") would repeat its own expansion without end";
    case env_ExpandLimitE::None:
      break;
  }
  return StringC();
}

std::vector<ReportT> TakeWaiting() {
  std::vector<ReportT> taken;
  if (!s_AnyWaiting.load(std::memory_order_acquire)) return taken;
  std::lock_guard<std::mutex> g(s_Lock);
  taken.swap(s_Waiting);
  s_AnyWaiting.store(false, std::memory_order_release);
  return taken;
}

void Log(const ReportT& r) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, trk::LOG_EXPANSION_STOPPED, trk::TXT_LOG_EXPANSION_STOPPED, r.what,
          r.stoppedAt, r.reason);
}

// Logs `first` (when given) and whatever waits, with the reports that logging causes waiting.
void LogNow(const ReportT* first) {
  env_ExpandReportsWaitC inside;
  if (first != nullptr) Log(*first);
  for (std::vector<ReportT> waiting = TakeWaiting(); !waiting.empty(); waiting = TakeWaiting())
    for (const ReportT& r : waiting) Log(r);
}

}  // namespace

env_ExpandReportsWaitC::env_ExpandReportsWaitC() { ++t_Waiting; }
env_ExpandReportsWaitC::~env_ExpandReportsWaitC() { --t_Waiting; }

void env_ReportExpandLimit(const StringC& what, const StringC& stoppedAt, env_ExpandLimitE limit,
                           const StringC& repeated) {
  ReportT report{what.size() > c_ShownTextMax ? what.substr(0, c_ShownTextMax) + c_Elision : what, stoppedAt,
                 Reason(limit, repeated)};
  if (t_Waiting == 0) {
    LogNow(&report);
    return;
  }
  std::lock_guard<std::mutex> g(s_Lock);
  s_Waiting.push_back(std::move(report));
  s_AnyWaiting.store(true, std::memory_order_release);
}

void env_FlushExpandReports() {
  if (t_Waiting == 0 && s_AnyWaiting.load(std::memory_order_acquire)) LogNow(nullptr);
}
