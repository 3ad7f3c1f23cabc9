// The parts of the trust checks that report through the run's log. They live apart from
// Trust.cpp, which the uploader library compiles in without the program's log.

#include "foundation/messages/TrustRefusal.h"

#include <fcntl.h>

#include <cerrno>

#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/EarlyLog.h"

namespace hx {

std::FILE* OpenTrustedStream(const std::string& path) {
  TrustFailureT failure;
  const ResultT trust = CheckTrustedPlace(path, &failure);
  if (Failed(trust)) {
    if (trust == RC_UNTRUSTED) ReportRefusal(failure, true);
    errno = trust == RC_UNTRUSTED ? EACCES : ErrnoFromRc(trust);
    return nullptr;
  }
  UniqueFdC fd;
  const ResultT rc = OpenForWriting(path, O_TRUNC, 0600, &fd);
  if (Failed(rc)) {
    errno = ErrnoFromRc(rc);
    return nullptr;
  }
  std::FILE* stream = ::fdopen(fd.get(), "w");
  if (stream != nullptr) fd.release();
  return stream;
}

void ReportRefusal(const TrustFailureT& failure, bool toStandardError) {
  LogEarlyArgs(RC_UNTRUSTED, TXT_UNTRUSTED, {failure.path, failure.Describe()}, toStandardError);
}

}  // namespace hx
