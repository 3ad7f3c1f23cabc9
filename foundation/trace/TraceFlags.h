#pragma once
// The flag tracer: trace switches as letters and bit numbers ("A,C-E", "B1,3-5"), one 32-bit
// mask per letter from "A" to "z". The tracker's flags (TrkTrcFlgs) come from the environment
// variable HXTRKTRACE at start-up; its lines go through the one trace output of the process
// (TraceOutput.h).
//
// Call sites:  hx::TrkTrace('B', 3, "Reading %s\n", path);

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "foundation/core/Format.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/trace/LetterMasks.h"
#include "foundation/trace/TraceMessages.h"

class TraceC {
 public:
  TraceC();
  virtual ~TraceC() = default;

  // Clears every mask, then sets (on) or clears (!on) what `text` names. On a text that cannot
  // be read the masks are left cleared and false comes back.
  HX_NODISCARD bool TrcParseArgs(std::string_view text, bool on);
  void Clear();
  bool IsOn(int letter, int bit) const;
  uint32_t Mask(int letter) const;

 private:
  std::array<std::atomic<uint32_t>, hx::kLetterCount> masks_;
};

// A flag set with an indentation level for the lines written under it.
class IndentedTraceC : public TraceC {
 public:
  void Indent() { level_.fetch_add(1, std::memory_order_relaxed); }
  void Outdent();
  int Level() const { return level_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> level_{0};
};

// The tracker's flags; null until TrkDbgInitialise finds HXTRKTRACE set.
extern std::atomic<IndentedTraceC*> TrkTrcFlgs;

// Creates TrkTrcFlgs if needed and sets it from `text` (what the text does not switch on is
// off afterwards). Returns 0, or reports and returns 0xE0160014 "Cannot parse trace flags"
// with the text when it cannot be read; every flag is then off.
HX_NODISCARD int32_t TrkTrcSetFlags(std::string_view text);

// Reads HXTRKTRACE at start-up; when it is set, sets the tracker's flags from it as above. A
// "trace" setting of the preferences or of the launcher environment reaches the same parser
// later and replaces these flags (prefs/store/TrkTraceSetting.h).
HX_NODISCARD int32_t TrkDbgInitialise();

namespace hx {

// Writes one line through the trace output when `flags` has the bit set; formats nothing
// otherwise.
void TrcPrintArgs(const IndentedTraceC& flags, std::string_view format, const ArgListC& args);

template <typename... Args>
void TrcPrint(const IndentedTraceC* flags, int letter, int bit, std::string_view format, Args&&... args) {
  if (flags != nullptr && flags->IsOn(letter, bit))
    TrcPrintArgs(*flags, format, ArgListC{ArgC(std::forward<Args>(args))...});
}

// A line of the tracker's flag trace.
template <typename... Args>
void TrkTrace(int letter, int bit, std::string_view format, Args&&... args) {
  TrcPrint(TrkTrcFlgs.load(std::memory_order_acquire), letter, bit, format, std::forward<Args>(args)...);
}

}  // namespace hx
