#include "foundation/process/CommPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/process/Descriptor.h"

hx::ResultT CommPipeC::Create(bool readInheritable, bool writeInheritable) {
  Close();
  int fds[2];
  // Both ends start close-on-exec so that no other fork can catch them half-made; the
  // inheritable end loses the flag below.
  if (::pipe2(fds, O_CLOEXEC) != 0) return hx::RcFromErrno(errno);
  read_ = fds[0];
  write_ = fds[1];
  hx::ResultT rc = hx::MoveAboveStdio(read_, !readInheritable);
  if (hx::Succeeded(rc)) rc = hx::MoveAboveStdio(write_, !writeInheritable);
  if (hx::Failed(rc)) Close();
  return rc;
}

void CommPipeC::CloseRead() { hx::CloseDescriptor(read_); }
void CommPipeC::CloseWrite() { hx::CloseDescriptor(write_); }
