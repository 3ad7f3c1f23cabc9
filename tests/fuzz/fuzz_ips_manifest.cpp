// Arbitrary bytes as "pkg contents" output: identifiers and actions are read without fault,
// every package has a name, every owned path begins with "/", and each valid identifier's
// parts are pieces of its text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "packages/listers/ips/IpsManifest.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FMRIC fmri;
  if (fmri.FromString(text)) {
    Check(!fmri.name.empty() && text.find(fmri.name) != std::string::npos);
    for (const std::string* part : {&fmri.publisher, &fmri.version, &fmri.build, &fmri.branch, &fmri.timestamp})
      Check(text.find(*part) != std::string::npos);
  }
  IPSManifestLineC line;
  line.Parse(text);
  for (const auto& attribute : line.attributes) Check(attribute.first >= IPS_NAME && attribute.first <= IPS_PATH);

  IPSPkgManifestParserC::CollectionT packages;
  IPSPkgManifestParserC parser(&packages);
  HX_IGNORE_RESULT(parser.Write(text.data(), text.size()));
  HX_IGNORE_RESULT(parser.Flush());
  parser.Close();
  for (const auto& p : packages) {
    Check(!p->name().empty());
    for (const std::string& f : p->files()) Check(!f.empty() && f[0] == '/');
  }
  return 0;
}
