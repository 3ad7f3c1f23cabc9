#pragma once
// Error reporting: every failure the user may see is reported by message id, default text and
// arguments. The text is looked up (a localised text may replace the default), the markup in
// it gives the severity, and the message is appended to the calling thread's error buffer,
// from which the closing window shows it. The id comes back as the result code.
//
// Call sites:  return Error(kSomeMessageId, "Cannot open '%1$s'", path);

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Format.h"

enum ErrSevT { ErrSevNone = 0, ErrSevMonitor, ErrSevInformation, ErrSevWarning, ErrSevError, ErrSevFatal };

const char* ErrSevName(ErrSevT sev);

// One reported message, split into problem, reason and solution at 0x01 bytes.
class ErrEntryC {
 public:
  ErrEntryC(int32_t id, ErrSevT sev, unsigned seq, std::string_view text);
  int32_t id() const { return id_; }
  ErrSevT severity() const { return sev_; }
  unsigned sequence() const { return seq_; }
  const std::string& problem() const { return problem_; }
  const std::string& reason() const { return reason_; }
  const std::string& solution() const { return solution_; }
  // The problem, then the reason and the solution on lines of their own when not empty.
  std::string message() const;

 private:
  int32_t id_;
  ErrSevT sev_;
  unsigned seq_;
  std::string problem_, reason_, solution_;
};

// The error buffer of one thread.
class ErrBufImplC {
 public:
  void error(int32_t id, ErrSevT sev, std::string_view text);
  unsigned count() const { return static_cast<unsigned>(entries_.size()); }
  const ErrEntryC* get(unsigned i) const { return i < entries_.size() ? &entries_[i] : nullptr; }
  void reset();
  // The sequence number the next entry will get; rollback(checkpoint()) undoes later reports.
  unsigned checkpoint() const { return seq_.load(); }
  void rollback(unsigned seq);
  // All messages joined by newlines; sev is the highest severity (None when empty). Empties
  // the buffer.
  std::string coalesce(ErrSevT& sev);
  void retain() { refs_.fetch_add(1); }
  void release();

 private:
  void traceEntry(const char* operation, const ErrEntryC& e) const;

  std::vector<ErrEntryC> entries_;
  std::atomic<unsigned> seq_{1};
  std::atomic<int> refs_{1};
};

// The calling thread's error buffer, created on first use.
ErrBufImplC* getErrBuf();

class ErrCatalogC;

// Applies message markup to a text (plain, "{sev}text" or a 0x01 group list) and returns the
// text it selects; sev receives its severity (Error when the markup names none). An upper-case
// letter in a severity text gates the severity letter after it: that letter counts
// only when the upper-case letter is part of userLevel.
std::string ApplyMarkup(std::string_view text, ErrSevT& sev, std::string_view userLevel = {});

// The text for id (the localised text from the catalogs of ErrGetCat, else `text`) with markup
// applied and args filled in.
std::string ErrorString(ErrSevT& sev, int32_t id, const char* text, const hx::ArgListC& args = {});
// The same over one given catalog (the log manager keeps its own): its text for id, else
// `text`, with markup applied and args filled in.
std::string ErrorString(ErrSevT& sev, const ErrCatalogC& catalog, int32_t id, const char* text,
                        const hx::ArgListC& args = {});
// ErrorString without touching the error buffer, severity dropped.
std::string getL10NMessage(int32_t id, const char* text, const hx::ArgListC& args = {});
// ErrorString, then appends the message to the thread's error buffer unless its severity is
// None. Returns id.
int32_t ErrorArgs(int32_t id, const char* text, const hx::ArgListC& args);

template <typename... Args>
int32_t Error(int32_t id, const char* text, Args&&... args) {
  return ErrorArgs(id, text, hx::ArgListC{hx::ArgC(std::forward<Args>(args))...});
}
