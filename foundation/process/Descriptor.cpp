#include "foundation/process/Descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/messages/Errors.h"

namespace hx {

void CloseDescriptor(int& fd) {
  if (fd < 0) return;
  const int closing = fd;
  fd = -1;
  int rc = ::close(closing);
#ifndef __linux__
  // Where an interrupted close leaves the descriptor open it is retried; on Linux the descriptor
  // is always released, and a retry could close a descriptor that another thread just opened.
  while (rc != 0 && errno == EINTR) rc = ::close(closing);
#endif
  if (rc != 0 && errno != EINTR) {
    const int err = errno;
    Error(RcFromErrno(err), "Closing descriptor %1$d failed (error %2$d)", closing, err);
  }
}

ResultT MoveAboveStdio(int& fd, bool closeOnExec) {
  if (fd >= 0 && fd <= STDERR_FILENO) {
    const int moved = ::fcntl(fd, closeOnExec ? F_DUPFD_CLOEXEC : F_DUPFD, STDERR_FILENO + 1);
    if (moved < 0) return RcFromErrno(errno);
    CloseDescriptor(fd);
    fd = moved;
    return RC_OK;
  }
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0) return RcFromErrno(errno);
  const int wanted = closeOnExec ? (flags | FD_CLOEXEC) : (flags & ~FD_CLOEXEC);
  if (wanted != flags && ::fcntl(fd, F_SETFD, wanted) < 0) return RcFromErrno(errno);
  return RC_OK;
}

ResultT OpenRetry(const char* path, int flags, mode_t mode, int& fd) {
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? RcFromErrno(errno) : RC_OK;
}

ssize_t ReadRetry(int fd, void* data, size_t length) {
  ssize_t got;
  do {
    got = ::read(fd, data, length);
  } while (got < 0 && errno == EINTR);
  return got;
}

}  // namespace hx
