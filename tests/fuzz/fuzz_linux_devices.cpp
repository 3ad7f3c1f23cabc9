// Arbitrary bytes as an ID file, /proc/cpuinfo, a cpu list, mountinfo, the size snapshot, a mode
// list and a serial number page: a name is found only for a path that was asked for and is
// never longer than the text, cpu numbers stay in range, and a serial is printable.

#include "FuzzSupport.h"
#include "hardware/linux/DeviceTexts.h"
#include "hardware/linux/HardwareIds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = hxfuzz::Text(data, size);
  const std::vector<hxlinux::IdPathT> paths = {{"8086", "1237", "1af4 1100"}, {"C 03", "00"}, {}, {"1", "2", "3", "4"}};
  const auto names = hxlinux::LookupIds(text, paths);
  hxfuzz::Check(names.size() == paths.size());
  for (size_t i = 0; i < names.size(); ++i) {
    hxfuzz::Check(names[i].size() == paths[i].size());
    for (const std::string& name : names[i]) hxfuzz::Check(name.size() <= text.size() && (i != 3 || name.empty()));
  }
  for (const int64_t cpu : hxlinux::ParseCpuList(text)) hxfuzz::Check(cpu >= 0 && cpu <= 65535);
  hxlinux::ParseCpuInfo(text);
  for (const hxlinux::MountT& m : hxlinux::ParseMountInfo(text))
    hxfuzz::Check(m.mountPoint.size() <= text.size() && m.source.size() <= text.size());
  hxlinux::ParseStatvfsSnapshot(text);
  int64_t width = 0, height = 0;
  hxfuzz::Check(!hxlinux::FirstMode(text, width, height) || (width > 0 && height > 0));
  for (const char c : hxlinux::VpdSerial(text)) hxfuzz::Check(c >= 0x20 && c < 0x7f);
  hxfuzz::Check(hxlinux::IdText(text, 4).size() % 4 == 0);
  return 0;
}
