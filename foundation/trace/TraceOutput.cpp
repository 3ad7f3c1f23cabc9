#include "foundation/trace/TraceOutput.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "foundation/core/FileName.h"
#include "foundation/core/Format.h"
#include "foundation/core/SecureURL.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/ProgramInfo.h"
#include "foundation/trace/TraceMessages.h"

namespace hx {
namespace {

constexpr const char* kFileVariable = "HXTRACEFILE";
constexpr const char* kTimeVariable = "HXTRACETIME";
constexpr const char* kTraceVariable = "HXTRACE";
constexpr const char* kIndentUnit = "  ";
constexpr long kTenThousandthsPerSecond = 10000;

std::string Variable(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string HostName() {
  char host[256];
  if (gethostname(host, sizeof host) != 0) return "<unknown>";
  host[sizeof host - 1] = '\0';
  return host[0] ? std::string(host) : std::string("<unknown>");
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[128];
  const size_t n = std::strftime(buf, sizeof buf, "%c", &tm);
  return std::string(buf, n);
}

std::string WorkingDirectory() {
  char buf[4096];
  return getcwd(buf, sizeof buf) != nullptr ? std::string(buf) : std::string();
}

}  // namespace

TraceOutputC& TraceOutputC::Instance() {
  static TraceOutputC* output = new TraceOutputC;  // never destroyed: lines may come at exit
  return *output;
}

void TraceOutputC::SetPreferencesDirectory(std::string dir) {
  std::lock_guard<std::mutex> g(lock_);
  prefsDir_ = std::move(dir);
}

void TraceOutputC::SetProduct(std::string title, std::string version) {
  std::lock_guard<std::mutex> g(lock_);
  title_ = std::move(title);
  version_ = std::move(version);
}

bool TraceOutputC::OpenLocked() {
  const std::string name = Variable(kFileVariable);
  if (name.empty()) {
    out_ = stderr;
    ownsFile_ = false;
  } else {
    out_ = hx::OpenTrustedStream(name);
    if (out_ == nullptr) return false;
    ownsFile_ = true;
    std::setvbuf(out_, nullptr, _IONBF, 0);
  }
  timed_ = std::getenv(kTimeVariable) != nullptr;
  openedAt_ = std::chrono::steady_clock::now();
  WriteHeaderLocked();
  return true;
}

void TraceOutputC::WriteHeaderLocked() {
  const std::string app = ExecutablePath();
  const char* hxtrace = std::getenv(kTraceVariable);
  std::string h;
  h += Format("%s for %s trace file\n", title_, FileNameC(app).baseName());
  h += Format("Version %s\n\n", version_);
  h += Format("Trace generated on %s on %s\n", HostName(), LocalTimeText());
  h += Format("User ID = %ld, Group ID = %ld\n", static_cast<long>(getuid()), static_cast<long>(getgid()));
  h += Format("Application: %s\n", app);
  h += Format("Preferences directory: %s\n", prefsDir_);
  h += Format("Working directory: %s\n", WorkingDirectory());
  h += hxtrace ? Format("Environment:\t%s=%s\n", kTraceVariable, hxtrace) : std::string("Environment:\t(none)\n");
  h += "Preferences:\t(none)\n\n";
  std::fwrite(h.data(), 1, h.size(), out_);
}

void TraceOutputC::Write(std::string_view text, int indent) {
  bool report = false;
  {
    std::lock_guard<std::mutex> g(lock_);
    if (out_ == nullptr && !failed_ && !OpenLocked()) {
      failed_ = true;
      report = true;
    }
    if (out_ != nullptr) {
      std::string line;
      if (timed_) {
        const auto elapsed = std::chrono::steady_clock::now() - openedAt_;
        const long long tenths =
            std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() / 100;
        line = Format("%lu.%04lu: ", static_cast<unsigned long>(tenths / kTenThousandthsPerSecond),
                      static_cast<unsigned long>(tenths % kTenThousandthsPerSecond));
      }
      for (int i = 0; i < indent; ++i) line += kIndentUnit;
      // Like the log, a trace shows a URL without its password.
      line.append(log_SecureURLString(text));
      if (line.empty() || line.back() != '\n') line.push_back('\n');
      std::fwrite(line.data(), 1, line.size(), out_);
    }
  }
  // Reported outside the lock: the error report may itself be traced.
  if (report) Error(kMsgTraceFileOpenFailed, "Failed to open trace file");
}

}  // namespace hx
