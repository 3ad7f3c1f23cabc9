// Bytes as "pkginfo -l" output: the enumeration ends, every package has a trimmed name, and
// versions and dates that cannot be read stay empty or 0.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "packages/listers/svr4/SUNPackageLister.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  SUNPackageListerC lister(trk::LISTER_PROPERTIES);
  lister.setPkginfoOutput(text);
  std::unique_ptr<PackageInfoC> package;
  for (size_t count = 0; hx::Succeeded(lister.getNext(&package)); ++count) {
    if (count > size || package->name().empty() || package->name().find_first_of(" \t\r\n") == 0) std::abort();
  }
  int64_t seconds = 0;
  HX_IGNORE_RESULT(trk::svr4::ParseInstallDate(text, &seconds));
  if (trk::svr4::ConvertVersion(text).size() > text.size()) std::abort();
  return 0;
}
