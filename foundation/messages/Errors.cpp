#include "foundation/messages/Errors.h"

#include <pthread.h>

#include "foundation/core/TraceHook.h"
#include "foundation/messages/ErrCatSwitch.h"
#include "foundation/messages/MessageId.h"

namespace {
constexpr char kSep = '\x01';
}

const char* ErrSevName(ErrSevT sev) {
  static const char* const kNames[] = {"None", "Monitor", "Information", "Warning", "Error", "Fatal"};
  return sev >= ErrSevNone && sev <= ErrSevFatal ? kNames[sev] : "Error";
}

ErrEntryC::ErrEntryC(int32_t id, ErrSevT sev, unsigned seq, std::string_view text)
    : id_(id), sev_(sev), seq_(seq) {
  std::string* parts[3] = {&problem_, &reason_, &solution_};
  size_t part = 0, start = 0;
  while (true) {
    const size_t pos = text.find(kSep, start);
    if (pos == std::string_view::npos || part == 2) {
      parts[part]->assign(text.substr(start));
      break;
    }
    parts[part++]->assign(text.substr(start, pos - start));
    start = pos + 1;
  }
}

std::string ErrEntryC::message() const {
  std::string m = problem_;
  if (!reason_.empty()) m.append("\n").append(reason_);
  if (!solution_.empty()) m.append("\n").append(solution_);
  return m;
}

void ErrBufImplC::traceEntry(const char* operation, const ErrEntryC& e) const {
  const uint32_t set = hx::MsgSet(e.id()), number = hx::MsgNumber(e.id());
  const std::string tag = hx::Format("0,Error/%s/%s/%d/%d", operation, ErrSevName(e.severity()), set, number);
  if (!hx::HookTraceEnabled(tag)) return;
  std::string shown = "Problem: " + e.problem();
  if (!e.reason().empty()) shown += ", Reason: " + e.reason();
  if (!e.solution().empty()) shown += ", Solution: " + e.solution();
  hx::HookTraceArgs(tag, "%s %s (s%dm%d): %S\n", {operation, ErrSevName(e.severity()), set, number, shown});
}

void ErrBufImplC::error(int32_t id, ErrSevT sev, std::string_view text) {
  entries_.emplace_back(id, sev, seq_.fetch_add(1), text);
  traceEntry("Add", entries_.back());
}

void ErrBufImplC::reset() {
  for (const auto& e : entries_) traceEntry("Reset", e);
  entries_.clear();
}

void ErrBufImplC::rollback(unsigned seq) {
  while (!entries_.empty() && entries_.back().sequence() >= seq) {
    traceEntry("Rollback", entries_.back());
    entries_.pop_back();
  }
}

std::string ErrBufImplC::coalesce(ErrSevT& sev) {
  sev = ErrSevNone;
  std::string all;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const ErrEntryC& e = entries_[i];
    if (i) all.push_back('\n');
    all += e.message();
    if (e.severity() > sev) sev = e.severity();
    traceEntry("Report", e);
  }
  entries_.clear();
  return all;
}

void ErrBufImplC::release() {
  if (refs_.fetch_sub(1) == 1) delete this;
}

namespace {

pthread_key_t g_bufKey;
pthread_once_t g_bufOnce = PTHREAD_ONCE_INIT;

void ReleaseBuffer(void* p) { static_cast<ErrBufImplC*>(p)->release(); }
void MakeKey() { pthread_key_create(&g_bufKey, ReleaseBuffer); }

// The severity letters of message markup; an upper-case letter gates the letter after it on
// the user level. The tracker runs with an empty user level, so there a gated letter is
// always skipped.
ErrSevT ReadSeverity(std::string_view sevText, size_t& i, std::string_view userLevel) {
  ErrSevT sev = ErrSevError;
  bool gated = false;
  for (; i < sevText.size() && sevText[i] != kSep && sevText[i] != '}'; ++i) {
    const char c = sevText[i];
    if (c >= 'A' && c <= 'Z') {
      gated = userLevel.find(c) == std::string_view::npos;
      continue;
    }
    ErrSevT s;
    switch (c) {
      case '#': s = ErrSevNone; break;
      case 'm': s = ErrSevMonitor; break;
      case 'i': s = ErrSevInformation; break;
      case 'w': s = ErrSevWarning; break;
      case 'e': s = ErrSevError; break;
      case 'f': s = ErrSevFatal; break;
      default: continue;
    }
    if (!gated) sev = s;
    gated = false;
  }
  return sev;
}

// Reads one field of a group list starting at i; i is left after its 0x01 (or at the end).
std::string_view ReadField(std::string_view text, size_t& i) {
  const size_t end = text.find(kSep, i);
  const std::string_view field = text.substr(i, end == std::string_view::npos ? text.npos : end - i);
  i = end == std::string_view::npos ? text.size() : end + 1;
  return field;
}

}  // namespace

ErrBufImplC* getErrBuf() {
  pthread_once(&g_bufOnce, MakeKey);
  auto* buf = static_cast<ErrBufImplC*>(pthread_getspecific(g_bufKey));
  if (buf == nullptr) {
    buf = new ErrBufImplC;
    pthread_setspecific(g_bufKey, buf);
  }
  return buf;
}

std::string ApplyMarkup(std::string_view text, ErrSevT& sev, std::string_view userLevel) {
  sev = ErrSevError;
  if (!text.empty() && text[0] == '{') {
    size_t i = 1;
    sev = ReadSeverity(text, i, userLevel);
    if (i < text.size() && text[i] == '}') ++i;
    if (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return std::string(text.substr(i));
  }
  if (text.empty() || text[0] != kSep) return std::string(text);
  // Group list: style, severity and text fields; the first group with an empty style wins.
  size_t i = 1;
  while (i < text.size()) {
    const std::string_view style = ReadField(text, i);
    const std::string_view sevText = ReadField(text, i);
    const std::string_view body = ReadField(text, i);
    if (style.empty()) {
      size_t k = 0;
      sev = ReadSeverity(sevText, k, userLevel);
      return std::string(body);
    }
  }
  return std::string();
}

std::string ErrorString(ErrSevT& sev, int32_t id, const char* text, const hx::ArgListC& args) {
  return hx::FormatArgs(ErrGetCat().getMessage(sev, id, text), args);
}

std::string ErrorString(ErrSevT& sev, const ErrCatalogC& catalog, int32_t id, const char* text,
                        const hx::ArgListC& args) {
  return hx::FormatArgs(catalog.getMessage(sev, id, text), args);
}

std::string getL10NMessage(int32_t id, const char* text, const hx::ArgListC& args) {
  ErrSevT sev;
  return ErrorString(sev, id, text, args);
}

int32_t ErrorArgs(int32_t id, const char* text, const hx::ArgListC& args) {
  ErrSevT sev;
  const std::string message = ErrorString(sev, id, text, args);
  if (sev != ErrSevNone) getErrBuf()->error(id, sev, message);
  return id;
}
