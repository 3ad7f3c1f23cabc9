// Bytes as dpkg-query output and as a dpkg file list: names carry no ":" or tab, paths begin
// with "/", and a /usr twin is the path under /usr.

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "packages/listers/deb/DebReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const std::string& line : hx::SplitLines(hxfuzz::Text(data, size))) {
    trk::deb::DebPackageT p;
    if (trk::deb::ParseQueryLine(line, &p) &&
        (p.name.empty() || p.name.find_first_of(":\t") != std::string::npos || !hx::StartsWith(p.qualifiedName, p.name)))
      std::abort();
    std::string_view path;
    if (!trk::deb::ListLinePath(line, &path)) continue;
    const std::string twin = trk::deb::UsrTwin(path, trk::deb::MergeableDirectories());
    if (path[0] != '/' || (!twin.empty() && twin != "/usr" + std::string(path))) std::abort();
  }
  return 0;
}
