// Arbitrary bytes as dpkg-query output and as a dpkg file list: every package read has a name
// without ":" or tab, every path begins with "/", and a /usr twin is the path under /usr.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/core/Text.h"
#include "packages/listers/deb/DebReaders.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& line : hx::SplitLines(text)) {
    trk::deb::DebPackageT package;
    if (trk::deb::ParseQueryLine(line, &package)) {
      Check(!package.name.empty() && package.name.find_first_of(":\t") == std::string::npos);
      Check(hx::StartsWith(package.qualifiedName, package.name));
    }
    std::string_view path;
    if (trk::deb::ListLinePath(line, &path)) {
      Check(!path.empty() && path[0] == '/');
      const std::string twin = trk::deb::UsrTwin(path, trk::deb::MergeableDirectories());
      Check(twin.empty() || twin == "/usr" + std::string(path));
    }
  }
  return 0;
}
