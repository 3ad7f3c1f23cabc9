#include "foundation/log/LogFileLogger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/core/FileName.h"
#include "foundation/core/Text.h"
#include "foundation/log/LogCatalog.h"
#include "foundation/log/LogMessages.h"
#include "foundation/log/LogSettings.h"
#include "foundation/log/SecureURL.h"

namespace {

constexpr const char* kReservedChars = "*?<>|";
constexpr mode_t kDirMode = 0777;
constexpr mode_t kFileMode = 0666;
constexpr size_t kTimeStampMax = 128;
constexpr uint64_t kMillisPerSecond = 1000;

bool HasReservedChars(const std::string& path) { return path.find_first_of(kReservedChars) != std::string::npos; }

// Creates a directory and its missing parents; an existing one is fine.
void MakeDirectories(const std::string& dir) {
  if (dir.empty()) return;
  std::string path;
  size_t start = 0;
  while (start <= dir.size()) {
    size_t end = dir.find('/', start);
    if (end == std::string::npos) end = dir.size();
    path = dir.substr(0, end);
    if (!path.empty()) mkdir(path.c_str(), kDirMode);
    start = end + 1;
  }
}

int64_t SizeLimit() {
  int64_t limit = hx::kDefaultLogFileSize;
  const std::string text = hx::LogSetting(hx::kLogFileSize);
  if (!text.empty() && !hx::ParseInt64(text, limit)) limit = hx::kDefaultLogFileSize;
  return limit;
}

// "{pid} ", "{pid: 1.250U+0.040K} ", "{1.250U+0.040K} " or nothing, by the entry's flags.
std::string ProcessPrefix(const HxlLogHeaderT& h) {
  if (h.flags == 0) return std::string();
  std::string p = "{";
  const bool pid = (h.flags & HXL_FLAG_PROCESS_ID) != 0;
  const bool cpu = (h.flags & HXL_FLAG_CPU_TIMES) != 0;
  if (pid) p += hx::Format("%lu", static_cast<unsigned long>(h.processId));
  if (pid && cpu) p += ": ";
  if (cpu)
    p += hx::Format("%lu.%03luU+%lu.%03luK", static_cast<unsigned long>(h.userMillis / kMillisPerSecond),
                    static_cast<unsigned long>(h.userMillis % kMillisPerSecond),
                    static_cast<unsigned long>(h.systemMillis / kMillisPerSecond),
                    static_cast<unsigned long>(h.systemMillis % kMillisPerSecond));
  p += "} ";
  return p;
}

void PrintNotOpened(const std::string& path, int err) {
  std::printf("Log file '%s' not opened! Error %i: %s\n", path.c_str(), err, std::strerror(err));
  std::fflush(stdout);
}

}  // namespace

log_LogFileLoggerC::log_LogFileLoggerC() : log_LoggerC(kName), fileName_(hx::LogSetting(hx::kLogFile)) {
  Open(hx::LogSetting(hx::kLogFileOld), SizeLimit());
}

log_LogFileLoggerC::~log_LogFileLoggerC() {
  if (file_ != nullptr) std::fclose(file_);
}

void log_LogFileLoggerC::Open(const std::string& oldName, int64_t sizeLimit) {
  if (fileName_.empty()) return;
  if (HasReservedChars(fileName_)) {
    PrintNotOpened(fileName_, EINVAL);
    return;
  }
  MakeDirectories(FileNameC(fileName_).directory());
  struct stat st {};
  if (sizeLimit > 0 && stat(fileName_.c_str(), &st) == 0 && st.st_size > sizeLimit && !oldName.empty() &&
      !HasReservedChars(oldName)) {
    MakeDirectories(FileNameC(oldName).directory());
    unlink(oldName.c_str());
    rename(fileName_.c_str(), oldName.c_str());
    unlink(fileName_.c_str());
  }
  const int fd = open(fileName_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, kFileMode);
  if (fd >= 0) file_ = fdopen(fd, "a");
  if (file_ == nullptr) {
    const int err = errno;
    if (fd >= 0) close(fd);
    PrintNotOpened(fileName_, err);
    return;
  }
  std::printf("Log file '%s' opened.\n", fileName_.c_str());
  std::fflush(stdout);
}

void log_LogFileLoggerC::LoadFormatsLocked(const log_LogEntryC& entry) {
  ErrSevT sev;
  const log_CatalogC* catalog = entry.Catalog();
  timeFormat_ = hx::FormatArgs(catalog ? catalog->GetMessage(sev, hx::kMsgLogTimeFormat, hx::kTxtLogTimeFormat)
                                       : ApplyMarkup(hx::kTxtLogTimeFormat, sev),
                               {});
  lineFormat_ = catalog ? catalog->GetMessage(sev, hx::kMsgLogLine, hx::kTxtLogLine) : ApplyMarkup(hx::kTxtLogLine, sev);
  formatsLoaded_ = true;
}

void log_LogFileLoggerC::Log(const log_LogEntryC& entry) {
  std::lock_guard<std::mutex> g(lock_);
  if (file_ == nullptr) return;
  if (!formatsLoaded_) LoadFormatsLocked(entry);
  char stamp[kTimeStampMax];
  const size_t n = std::strftime(stamp, sizeof stamp, timeFormat_.c_str(), &entry.Header().localTime);
  const std::string body = log_SecureURLString(ProcessPrefix(entry.Header()) + entry.Text());
  std::string line = hx::FormatArgs(
      lineFormat_, {std::string(stamp, n), static_cast<char>(entry.Letter()), entry.SubLevel(), body});
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}
