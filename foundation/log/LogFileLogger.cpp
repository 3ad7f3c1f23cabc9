#include "foundation/log/LogFileLogger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "foundation/core/FileName.h"
#include "foundation/core/SecureURL.h"
#include "foundation/core/Text.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogCatalog.h"
#include "foundation/log/LogMessages.h"
#include "foundation/log/LogSettings.h"
#include "foundation/messages/TrustRefusal.h"

namespace {

constexpr const char* kReservedChars = "*?<>|";
constexpr mode_t kFileMode = 0666;
constexpr size_t kTimeStampMax = 128;
constexpr uint64_t kMillisPerSecond = 1000;

bool HasReservedChars(const std::string& path) { return path.find_first_of(kReservedChars) != std::string::npos; }

// The log's directory exists and is trusted: 0, or the error number of a directory that could
// not be made. A refusal goes to standard error, since the log is what failed.
int TrustedDirectory(const std::string& dir) {
  if (dir.empty()) return 0;
  hx::TrustFailureT failure;
  const hx::ResultT rc = hx::EnsureTrustedDirectory(dir, &failure);
  if (rc == hx::RC_UNTRUSTED) {
    hx::ReportRefusal(failure, true);
    return EACCES;
  }
  return hx::ErrnoFromRc(rc);
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
  // A link where the log belongs was put there by somebody: it is neither followed nor used.
  if (err == ELOOP && hx::IsSymbolicLink(path))
    std::fprintf(stderr, "hxtrack: WARNING: log file '%s' is a symbolic link; it is neither followed nor used\n",
                 path.c_str());
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
  if (const int err = TrustedDirectory(FileNameC(fileName_).directory())) {
    PrintNotOpened(fileName_, err);
    return;
  }
  // Rotation renames and removes names, never what a link at them points to.
  struct stat st {};
  if (sizeLimit > 0 && lstat(fileName_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > sizeLimit &&
      !oldName.empty() && !HasReservedChars(oldName) && TrustedDirectory(FileNameC(oldName).directory()) == 0) {
    unlink(oldName.c_str());
    rename(fileName_.c_str(), oldName.c_str());
    unlink(fileName_.c_str());
  }
  hx::UniqueFdC fd;
  const hx::ResultT rc = hx::OpenForWriting(fileName_, O_APPEND, kFileMode, &fd);
  if (hx::Succeeded(rc)) file_ = fdopen(fd.get(), "a");
  if (file_ == nullptr) {
    PrintNotOpened(fileName_, hx::Failed(rc) ? hx::ErrnoFromRc(rc) : errno);
    return;
  }
  fd.release();
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
