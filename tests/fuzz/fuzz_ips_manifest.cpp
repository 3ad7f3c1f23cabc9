// Bytes as an IPS identifier and as "pkg contents" output: every package has a name and every
// owned path begins with "/"; an identifier's parts are pieces of its text.

#include "FuzzSupport.h"
#include "foundation/core/Nodiscard.h"
#include "packages/listers/ips/IpsManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  FMRIC fmri;
  if (fmri.FromString(text)) {
    for (const std::string* part : {&fmri.name, &fmri.publisher, &fmri.version, &fmri.branch, &fmri.timestamp})
      if (text.find(*part) == std::string::npos) std::abort();
  }
  IPSPkgManifestParserC::CollectionT packages;
  IPSPkgManifestParserC parser(&packages);
  HX_IGNORE_RESULT(parser.Write(text.data(), text.size()));
  HX_IGNORE_RESULT(parser.Flush());
  parser.Close();
  for (const auto& p : packages) {
    if (p->name().empty()) std::abort();
    for (const std::string& f : p->files())
      if (f.empty() || f[0] != '/') std::abort();
  }
  return 0;
}
