// Trace profiles are files a user writes by hand: any bytes, any line length.

#include "FuzzSupport.h"
#include "foundation/trace/TraceConsumerFile.h"
#include "foundation/trace/TraceController.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = hxfuzz::Scratch("fuzz.trace", data, size);
  if (path.empty()) return 0;
  TraceControllerC controller;
  TraceConsumerFileC consumer(controller);
  std::FILE* sink = std::fopen("/dev/null", "w");
  consumer.setOutput(sink);
  hxfuzz::Check(consumer.loadProfile(path.c_str()) == 0);
  // Whatever the profile switched on, delivering a line must be safe.
  controller.deliver(controller.find("Tracker/Inventory/Upload"), 0, "line", 3);
  consumer.setOutput(nullptr);
  std::fclose(sink);
  return 0;
}
