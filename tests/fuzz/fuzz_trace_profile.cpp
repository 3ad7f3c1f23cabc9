// Trace profiles are files a user writes by hand: any bytes, any line length.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/trace/TraceConsumerFile.h"
#include "foundation/trace/TraceController.h"

namespace {

// One profile file, rewritten for every input.
const std::string& ProfilePath() {
  static const std::string path = [] {
    char tmpl[] = "/tmp/hxfuzzprofileXXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    close(fd);
    return std::string(tmpl);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(ProfilePath().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  TraceControllerC controller;
  TraceConsumerFileC consumer(controller);
  std::FILE* sink = std::fopen("/dev/null", "w");
  consumer.setOutput(sink);
  if (consumer.loadProfile(ProfilePath().c_str()) != 0) __builtin_trap();
  // Whatever the profile switched on, delivering a line must be safe.
  controller.deliver(controller.find("Tracker/Inventory/Upload"), 0, "line", 3);
  consumer.setOutput(nullptr);
  std::fclose(sink);
  return 0;
}
