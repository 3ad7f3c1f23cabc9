// Filter texts (LogLevel, or what a logger module prefers) and texts scrubbed of URL passwords
// come from configuration and from anything logged: neither may crash or run away.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/SecureURL.h"
#include "foundation/trace/LetterMasks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  hx::LetterMasksT masks{};
  HX_IGNORE_RESULT(hx::ApplyLetterList(text, true, masks));  // only that it does not crash
  HX_IGNORE_RESULT(hx::ApplyLetterList(text, false, masks));  // only that it does not crash

  const std::string scrubbed = log_SecureURLString(text);
  // Scrubbing only ever removes characters.
  hxfuzz::Check(scrubbed.size() <= text.size());
  hxfuzz::Check(log_SecureURLString(scrubbed).size() <= scrubbed.size());
  return 0;
}
