#include "foundation/trace/TraceFlags.h"

#include <cstdlib>

#include "foundation/messages/Errors.h"
#include "foundation/trace/TraceOutput.h"

namespace {
constexpr const char* kTrackerFlagsVariable = "HXTRKTRACE";
}

std::atomic<IndentedTraceC*> TrkTrcFlgs{nullptr};

TraceC::TraceC() { Clear(); }

void TraceC::Clear() {
  for (auto& m : masks_) m.store(0, std::memory_order_relaxed);
}

bool TraceC::TrcParseArgs(std::string_view text, bool on) {
  hx::LetterMasksT parsed{};
  const bool ok = hx::ApplyLetterList(text, on, parsed);
  for (size_t i = 0; i < masks_.size(); ++i) masks_[i].store(ok ? parsed[i] : 0, std::memory_order_relaxed);
  return ok;
}

uint32_t TraceC::Mask(int letter) const {
  return hx::InLetterRange(letter) ? masks_[static_cast<size_t>(hx::LetterIndex(letter))].load(std::memory_order_relaxed)
                                   : 0;
}

bool TraceC::IsOn(int letter, int bit) const {
  return bit >= 0 && bit < hx::kLetterBits && ((Mask(letter) >> bit) & 1u) != 0;
}

void IndentedTraceC::Outdent() {
  int level = level_.load(std::memory_order_relaxed);
  while (level > 0 && !level_.compare_exchange_weak(level, level - 1, std::memory_order_relaxed)) {
  }
}

int32_t TrkTrcSetFlags(std::string_view text) {
  IndentedTraceC* flags = TrkTrcFlgs.load(std::memory_order_acquire);
  if (flags == nullptr) {
    auto* created = new IndentedTraceC;  // lives as long as the process: call sites keep reading it
    if (TrkTrcFlgs.compare_exchange_strong(flags, created, std::memory_order_acq_rel)) {
      flags = created;
    } else {
      delete created;
    }
  }
  if (!flags->TrcParseArgs(text, true)) return Error(hx::kMsgCannotParseTraceFlags, "Cannot parse trace flags: \"%1$s\"", text);
  return 0;
}

int32_t TrkDbgInitialise() {
  const char* value = std::getenv(kTrackerFlagsVariable);
  return value == nullptr ? 0 : TrkTrcSetFlags(value);
}

namespace hx {

void TrcPrintArgs(const IndentedTraceC& flags, std::string_view format, const ArgListC& args) {
  TraceOutputC::Instance().Write(FormatArgs(format, args), flags.Level());
}

}  // namespace hx
