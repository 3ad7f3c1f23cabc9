// Arbitrary bytes as lines of the installed-software contents file and of "pkgchk -l" output:
// every owned path is a field of its line (no blank in it) and no owner name is empty or holds
// a blank.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/core/Text.h"
#include "packages/listers/svr4/Svr4Readers.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckMap(const trk::svr4::FileMapT& map) {
  for (const auto& [name, files] : map) {
    Check(!name.empty() && name.find_first_of(" \t\n") == std::string::npos);
    for (const std::string& f : files) Check(f.find('\n') == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  trk::svr4::FileMapT contents, listing;
  trk::svr4::PkgchkListReaderC reader(&listing);
  for (const std::string& line : hx::SplitLines(text)) {
    trk::svr4::AddContentsLine(line, &contents);
    reader.Line(line);
  }
  CheckMap(contents);
  for (const auto& entry : contents) {
    for (const std::string& f : entry.second) Check(!f.empty() && f.find_first_of(" \t") == std::string::npos);
  }
  CheckMap(listing);
  return 0;
}
