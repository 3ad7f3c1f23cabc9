// An uploader for the cancellation test: the person presses Ctrl-C while the upload runs, and
// the upload then fails. The run must report the cancellation, not the failed upload.

#include <csignal>

#include "foundation/com/ZORHXContext.h"

extern "C" __attribute__((visibility("default"))) int32_t UplUploadWithContext(ZORHXContextI* /*context*/) {
  std::raise(SIGINT);
  return hx::RC_FAIL;
}
