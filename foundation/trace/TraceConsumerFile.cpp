#include "foundation/trace/TraceConsumerFile.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/SecureURL.h"
#include "foundation/core/Text.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/TraceMessages.h"

namespace {

constexpr char kComment = '#';
constexpr char kDisable = '-';
constexpr char kEnable = '+';
constexpr char kClass = '*';
constexpr char kAssign = '=';
constexpr const char* kIndentUnit = "  ";
constexpr long kTenThousandthsPerSecond = 10000;

HX_NODISCARD bool ParseSwitch(std::string_view value, bool& out) {
  static const char* const kOn[] = {"1", "true", "yes", "on"};
  static const char* const kOff[] = {"0", "false", "no", "off"};
  for (const char* v : kOn) {
    if (hx::EqualsNoCase(value, v)) {
      out = true;
      return true;
    }
  }
  for (const char* v : kOff) {
    if (hx::EqualsNoCase(value, v)) {
      out = false;
      return true;
    }
  }
  return false;
}

HX_NODISCARD bool ParseCount(std::string_view value, int& out) {
  int64_t v = 0;
  if (!hx::ParseInt64(value, v) || v < 0 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

// Reads one line of at most `limit` bytes; the rest of a longer line is read and dropped.
// False at the end of the file with nothing read.
HX_NODISCARD bool ReadLine(std::FILE* f, size_t limit, std::string& line) {
  line.clear();
  int c;
  bool any = false;
  while ((c = std::getc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.size() < limit) line.push_back(static_cast<char>(c));
  }
  return any;
}

}  // namespace

TraceConsumerFileC::TraceConsumerFileC(TraceControllerC& controller)
    : controller_(controller), lastLine_(std::chrono::steady_clock::now()) {
  // With every slot taken this file gets no lines; the other consumers go on as before.
  HX_IGNORE_RESULT(controller_.registerConsumer(this));
  controller_.setDetail(this, settings_.maxDetail);
}

TraceConsumerFileC::~TraceConsumerFileC() {
  controller_.unregisterConsumer(this);
  std::lock_guard<std::mutex> g(lock_);
  closeLocked();
}

hx::ResultT TraceConsumerFileC::loadProfile(const char* path) {
  std::FILE* f = path ? std::fopen(path, "r") : nullptr;
  if (f == nullptr) return hx::RcFromErrno(path ? errno : ENOENT);
  std::string line;
  while (ReadLine(f, TraceFileSettingsT::kMaxProfileLine, line)) applyProfileLine(line);
  std::fclose(f);
  return hx::RC_OK;
}

void TraceConsumerFileC::applyProfileLine(std::string_view line) {
  const size_t comment = line.find(kComment);
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  line = hx::TrimView(line);
  if (line.empty()) return;
  if (line[0] == kDisable) {
    const std::string_view name = hx::TrimView(line.substr(1));
    if (!name.empty()) controller_.disable(this, name);
    return;
  }
  const bool plus = line[0] == kEnable;
  const size_t assign = line.find(kAssign);
  if (!plus && assign != std::string_view::npos) {
    setAttribute(hx::TrimView(line.substr(0, assign)), hx::TrimView(line.substr(assign + 1)));
    return;
  }
  std::string_view name = plus ? hx::TrimView(line.substr(1)) : line;
  if (!name.empty() && name[0] == kClass) {
    name.remove_prefix(1);
    if (!name.empty() && name[0] == '/') name.remove_prefix(1);
    newClass(name);
    return;
  }
  // A bare "+" names no category; it does not switch the whole tree on.
  if (!name.empty()) controller_.enable(this, name);
}

void TraceConsumerFileC::newClass(std::string_view name) { controller_.addClass(this, name); }

void TraceConsumerFileC::setAttribute(std::string_view name, std::string_view value) {
  std::lock_guard<std::mutex> g(lock_);
  TraceFileSettingsT& s = settings_;
  const struct {
    const char* name;
    bool* flag;
  } switches[] = {{"timeofday", &s.timeOfDay},       {"timestamp", &s.timeStamp},
                  {"timedeltas", &s.timeDeltas},     {"trace_timers", &s.traceTimers},
                  {"trace_counters", &s.traceCounters}, {"show_process", &s.showProcess},
                  {"show_threads", &s.showThreads},  {"show_class", &s.showClass}};
  for (const auto& sw : switches)
    if (hx::EqualsNoCase(name, sw.name)) {
      HX_IGNORE_RESULT(ParseSwitch(value, *sw.flag));  // a value that is no switch leaves it as it was
      return;
    }
  int n = 0;
  if (hx::EqualsNoCase(name, "filename")) {
    s.filename = std::string(value);
    closeLocked();  // the next line goes to the new file
    failed_ = false;
  } else if (hx::EqualsNoCase(name, "flush_freq")) {
    if (ParseCount(value, n)) s.flushFreq = static_cast<unsigned>(n);
  } else if (hx::EqualsNoCase(name, "max_indent")) {
    if (ParseCount(value, n)) s.maxIndent = n;
  } else if (hx::EqualsNoCase(name, "max_detail")) {
    if (ParseCount(value, n)) s.maxDetail = n;
  }
}

TraceFileSettingsT TraceConsumerFileC::settings() const {
  std::lock_guard<std::mutex> g(lock_);
  return settings_;
}

void TraceConsumerFileC::setOutput(std::FILE* stream) {
  std::lock_guard<std::mutex> g(lock_);
  override_ = stream;
}

void TraceConsumerFileC::setTaskName(std::string name) {
  std::lock_guard<std::mutex> g(lock_);
  taskName_ = std::move(name);
}

std::string TraceConsumerFileC::outputName() const {
  const std::string& pattern = settings_.filename;
  std::string name;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 == pattern.size()) {
      name.push_back(pattern[i]);
      continue;
    }
    const char c = pattern[++i];
    if (c == 'p') name += std::to_string(static_cast<long>(getpid()));
    else if (c == 't') name += taskName_;
    else if (c == '%') name.push_back('%');
    else name.append(1, '%').push_back(c);
  }
  return name;
}

bool TraceConsumerFileC::openLocked() {
  if (settings_.filename.empty()) {
    file_ = stderr;
  } else {
    file_ = hx::OpenTrustedStream(outputName());
    if (file_ == nullptr) return false;
  }
  lastLine_ = std::chrono::steady_clock::now();
  return true;
}

void TraceConsumerFileC::closeLocked() {
  if (file_ != nullptr && file_ != stderr) std::fclose(file_);
  file_ = nullptr;
}

std::string TraceConsumerFileC::prefixLocked(const TraceControlVarC& category) {
  std::string p;
  auto field = [&p](const std::string& f) {
    if (!p.empty()) p.push_back(' ');
    p += f;
  };
  const auto wallNow = std::chrono::system_clock::now();
  const std::time_t now = std::chrono::system_clock::to_time_t(wallNow);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[64];
  if (settings_.timeStamp && std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm) > 0) field(buf);
  if (settings_.timeOfDay && std::strftime(buf, sizeof buf, "%H:%M:%S", &tm) > 0) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wallNow.time_since_epoch()).count() % 1000;
    field(hx::Format("%s.%03d", buf, static_cast<int>(ms)));
  }
  const auto steadyNow = std::chrono::steady_clock::now();
  if (settings_.timeDeltas) {
    const long long tenths = std::chrono::duration_cast<std::chrono::microseconds>(steadyNow - lastLine_).count() / 100;
    field(hx::Format("+%lu.%04lu", static_cast<unsigned long>(tenths / kTenThousandthsPerSecond),
                     static_cast<unsigned long>(tenths % kTenThousandthsPerSecond)));
  }
  lastLine_ = steadyNow;
  if (settings_.showProcess || settings_.showThreads) {
    std::string ids;
    if (settings_.showProcess) ids += hx::Format("%spid %lu", "", static_cast<unsigned long>(getpid()));
    if (settings_.showThreads)
      ids += hx::Format("%sthread 0x%lx", ids.empty() ? "" : ", ", static_cast<unsigned long>(pthread_self()));
    field("(" + ids + ")");
  }
  if (settings_.showClass) field("[" + category.name() + "]");
  if (!p.empty()) p += ": ";
  return p;
}

void TraceConsumerFileC::consume(const TraceControlVarC& category, std::string_view text, int indent) {
  bool report = false;
  {
    std::lock_guard<std::mutex> g(lock_);
    if (override_ == nullptr && file_ == nullptr && !failed_ && !openLocked()) {
      failed_ = true;
      report = true;
    }
    std::FILE* out = override_ ? override_ : file_;
    if (out != nullptr) {
      std::string line = prefixLocked(category);
      const int levels = indent < 0 ? 0 : (indent > settings_.maxIndent ? settings_.maxIndent : indent);
      for (int i = 0; i < levels; ++i) line += kIndentUnit;
      if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
      // Like the log, a trace shows a URL without its password.
      line += log_SecureURLString(hx::ToValidUtf8(text));
      line.push_back('\n');
      std::fwrite(line.data(), 1, line.size(), out);
      if (settings_.flushFreq > 0 && ++unflushed_ >= settings_.flushFreq) {
        std::fflush(out);
        unflushed_ = 0;
      }
    }
  }
  // Reported outside the lock: the error report may itself be traced.
  if (report) Error(hx::kMsgTraceFileOpenFailed, "Failed to open trace file");
}
