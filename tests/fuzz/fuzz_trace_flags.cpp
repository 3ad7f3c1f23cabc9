// HXTRKTRACE values: any text is either read or refused, and a refused text leaves no flag set.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/trace/TraceFlags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TraceC flags;
  if (!flags.TrcParseArgs(text, true)) {
    for (int letter = hx::kFirstLetter; letter <= hx::kLastLetter; ++letter) hxfuzz::Check(flags.Mask(letter) == 0);
  }
  HX_IGNORE_RESULT(flags.TrcParseArgs(text, false));  // only that it does not crash
  return 0;
}
