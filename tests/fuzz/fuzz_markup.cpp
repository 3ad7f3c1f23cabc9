// Arbitrary message texts, as a translator's catalog may hold them: markup selection, the
// split into problem, reason and solution, and formatting with a few arguments must never
// crash or read past the text.

#include "FuzzSupport.h"
#include "foundation/core/Format.h"
#include "foundation/messages/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks a user level, so gated severity letters are exercised both ways.
  const std::string_view userLevel = (data[0] & 1) ? "ABCXYZ" : "";
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  ErrSevT sev = ErrSevNone;
  const std::string chosen = ApplyMarkup(text, sev, userLevel);
  hxfuzz::Check(sev >= ErrSevNone && sev <= ErrSevFatal);
  const ErrEntryC entry(static_cast<int32_t>(0xE0BD000Au), sev, 1, chosen);
  (void)entry.message();
  const hx::ArgListC args{hx::ArgC(42), hx::ArgC("text"), hx::ArgC(2.5), hx::ArgC(uint64_t{7}),
                          hx::ArgC(static_cast<const void*>(data))};
  (void)hx::FormatArgs(chosen, args);
  (void)hx::FormatArgs(text, args);
  return 0;
}
