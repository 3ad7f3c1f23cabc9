// Bytes as contents-file lines and "pkgchk -l" output: owners are non-empty single words and
// a contents path holds no blank.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "packages/listers/svr4/Svr4Readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  trk::svr4::FileMapT contents, listing;
  trk::svr4::PkgchkListReaderC reader(&listing);
  for (const std::string& line : hx::SplitLines(hxfuzz::Text(data, size))) {
    trk::svr4::AddContentsLine(line, &contents);
    reader.Line(line);
  }
  for (const trk::svr4::FileMapT* map : {&contents, &listing}) {
    for (const auto& [name, files] : *map) {
      if (name.empty() || name.find_first_of(" \t") != std::string::npos) std::abort();
      for (const std::string& f : files) {
        if (map == &contents && (f.empty() || f.find_first_of(" \t") != std::string::npos)) std::abort();
      }
    }
  }
  return 0;
}
