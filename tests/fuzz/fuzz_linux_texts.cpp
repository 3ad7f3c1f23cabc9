// Arbitrary bytes as /etc/os-release, /proc/meminfo and /proc/stat: every name kept is a shell
// variable name, and a number found is never negative.

#include "FuzzSupport.h"
#include "hardware/linux/LinuxTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  for (const auto& [name, value] : hxlinux::ParseOsRelease(text))
    hxfuzz::Check(!name.empty() &&
                  name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") == std::string::npos &&
                  value.size() <= text.size());
  hxfuzz::Check(hxlinux::MeminfoBytes(text, "MemTotal") >= -1 && hxlinux::BootTime(text) >= -1);
  return 0;
}
