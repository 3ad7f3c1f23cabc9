// Arbitrary bytes as "pkginfo -l" output: every package handed out has a name without
// surrounding blanks, the enumeration ends, and a version or date that cannot be read leaves
// the field empty or 0 instead of failing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "packages/listers/svr4/SUNPackageLister.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  SUNPackageListerC lister(trk::LISTER_PROPERTIES);
  lister.setPkginfoOutput(text);
  std::unique_ptr<PackageInfoC> package;
  size_t count = 0;
  while (hx::Succeeded(lister.getNext(&package))) {
    Check(package != nullptr && !package->name().empty());
    Check(package->name().find_first_of(" \t\r\n") != 0);
    Check(++count <= size);
  }
  const std::string_view head = std::string_view(text).substr(0, 64);
  int64_t seconds = 0;
  HX_IGNORE_RESULT(trk::svr4::ParseInstallDate(head, &seconds));
  Check(trk::svr4::ConvertVersion(head).size() <= head.size());
  return 0;
}
