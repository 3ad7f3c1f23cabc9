#include "foundation/log/LogEntry.h"

#include <sys/resource.h>
#include <unistd.h>

#include <ctime>

#include "foundation/log/LogCatalog.h"
#include "foundation/log/LogMessages.h"

namespace {

constexpr uint64_t kMillisPerSecond = 1000;
constexpr uint64_t kMicrosPerMilli = 1000;

uint64_t Millis(const timeval& tv) {
  return static_cast<uint64_t>(tv.tv_sec) * kMillisPerSecond + static_cast<uint64_t>(tv.tv_usec) / kMicrosPerMilli;
}

}  // namespace

log_LogEntryC::log_LogEntryC(const log_CatalogC* catalog, int letter, int number, uint32_t set, uint32_t msgNumber,
                             const char* text, hx::ArgListC args, uint32_t flags)
    : catalog_(catalog),
      set_(set),
      msgNumber_(msgNumber),
      rawText_(text ? text : ""),
      args_(std::move(args)),
      letter_(letter),
      number_(number) {
  header_.size = sizeof header_;
  header_.letter = letter;
  header_.number = number;
  header_.flags = flags;
}

void log_LogEntryC::Format() {
  const int32_t id = hx::LogIdOf(set_, msgNumber_);
  const std::string chosen = catalog_ ? catalog_->GetMessage(severity_, id, rawText_.c_str())
                                      : ApplyMarkup(rawText_, severity_);
  text_ = hx::FormatArgs(chosen, args_);

  const std::time_t now = std::time(nullptr);
  header_.time = static_cast<int64_t>(now);
  localtime_r(&now, &header_.localTime);
  if (header_.flags & HXL_FLAG_PROCESS_ID) header_.processId = static_cast<uint64_t>(getpid());
  if (header_.flags & HXL_FLAG_CPU_TIMES) {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
      header_.userMillis = Millis(usage.ru_utime);
      header_.systemMillis = Millis(usage.ru_stime);
    }
  }
}
