// Arbitrary bytes as `kstat -p` output: every statistic read has a decimal instance from its
// key, no pseudo-statistic among its values, and no more values than there were lines with a
// separator (a tab, or blanks where a snapshot lost its tabs).

#include "FuzzSupport.h"
#include "foundation/core/Text.h"
#include "platform/KStat.h"

using hxfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  size_t keyed = 0;
  for (const std::string& line : hx::SplitLines(text)) keyed += line.find_first_of("\t ") != std::string::npos ? 1 : 0;
  size_t values = 0;
  for (const hx::KStatT& k : hx::ParseKstatOutput(text)) {
    Check(k.instance >= 0);
    Check(k.module.find(':') == std::string::npos);
    Check(k.ksClass.find('\n') == std::string::npos);
    for (const auto& [name, value] : k.values) {
      Check(name != "class" && name != "crtime" && name != "snaptime");
      Check(name.find('\t') == std::string::npos && name.find(':') == std::string::npos);
      Check(value.find('\n') == std::string::npos);
      ++values;
    }
  }
  Check(values <= keyed);
  return 0;
}
