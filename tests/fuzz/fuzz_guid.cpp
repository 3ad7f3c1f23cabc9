// Identifier texts come from configuration files and plug-ins. Whatever the bytes, parsing
// must either give an identifier whose registry form reads back as the same identifier (and
// is the input up to letter case), or fail with the null identifier.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/com/ZORGuid.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckResult(hx::ResultT rc, const ComGuidC& g, const std::string& input) {
  if (rc != hx::RC_OK) {
    Check(rc == hx::RC_INVALID_ARG && g.IsNull());
    return;
  }
  const StringC text = g.ToString();
  ComGuidC back;
  Check(back.fromSys8(text.c_str()) == hx::RC_OK && back == g);
  Check(hx::ToUpper(input) == text);
  uint8_t bytes[ComGuidC::c_BinarySize];
  g.toBinary(bytes);
  Check(ComGuidC(bytes) == g);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  ComGuidC g(IID_ComRegistry);
  CheckResult(g.fromSys8(input.c_str()), g, input.c_str());
  ComGuidC h(IID_ComRegistry);
  CheckResult(h.fromString(input), h, input);
  return 0;
}
