#include "foundation/process/StdIODesc.h"

#include <fcntl.h>

#include <cerrno>

#include "foundation/process/Descriptor.h"

namespace hx::proc {

namespace {
constexpr mode_t c_NewFileMode = 0666;  // before the process's file-creation mask
}

StdIODescC::StdIODescC(DirectionE direction, int defaultFd)
    : direction_(direction), default_(defaultFd), current_(defaultFd), nullDevice_("/dev/null") {}

StdIODescC::~StdIODescC() {
  CloseOwned();
  ClosePipe();
}

void StdIODescC::CloseOwned() { hx::CloseDescriptor(owned_); }

hx::ResultT StdIODescC::Redirect(int fd) {
  CloseOwned();
  ClosePipe();
  current_ = fd >= 0 ? fd : default_;
  return hx::RC_OK;
}

hx::ResultT StdIODescC::RedirectToFile(const FileNameC* name, int openFlags) {
  if (name == nullptr) return hx::RC_OK;
  int fd = -1;
  hx::ResultT rc = hx::OpenRetry(name->c_str(), openFlags, c_NewFileMode, fd);
  if (hx::Failed(rc)) return rc;
  // Close-on-exec stays set: the child receives the file through dup2 onto 0-2, which clears
  // it, and no other child may inherit it.
  rc = hx::MoveAboveStdio(fd, true);
  if (hx::Succeeded(rc)) rc = Redirect(fd);
  if (hx::Failed(rc)) {
    hx::CloseDescriptor(fd);
    return rc;
  }
  owned_ = fd;
  return hx::RC_OK;
}

hx::ResultT StdInDescC::Redirect(const FileNameC* name) { return RedirectToFile(name, O_RDONLY); }

hx::ResultT StdInDescC::Redirect(InputStreamC* /*stream*/) { return hx::RC_NOT_IMPL; }

hx::ResultT StdOutDescC::Redirect(const FileNameC* name) {
  return RedirectToFile(name, O_WRONLY | O_CREAT | O_TRUNC);
}

hx::ResultT StdOutDescC::Redirect(OutputStreamC* stream) {
  if (stream == nullptr) return hx::RC_OK;
  auto pipe = std::make_unique<CommPipeC>();
  hx::ResultT rc = pipe->Create(false, true);
  if (hx::Succeeded(rc)) rc = Redirect(pipe->WriteFD());
  if (hx::Failed(rc)) return rc;  // the new pipe is deleted on the way out
  stream_ = stream;
  pipe_ = std::move(pipe);
  return hx::RC_OK;
}

void StdOutDescC::CloseInheritedFD() {
  // Only the child may hold the write end: while the tracker keeps it, the read end never
  // reaches end of file.
  if (pipe_) {
    pipe_->CloseWrite();
  } else {
    CloseOwned();
  }
}

hx::ResultT StdOutDescC::CopyFDToStream() {
  if (!pipe_) return hx::RC_OK;
  if (buffer_.empty()) buffer_.resize(c_ReadChunk);
  const ssize_t got = hx::ReadRetry(pipe_->ReadFD(), buffer_.data(), buffer_.size());
  if (got > 0) return stream_ ? stream_->Write(buffer_.data(), static_cast<size_t>(got)) : hx::RC_OK;
  if (got == 0) {
    ClosePipe();
    return hx::RC_OK;
  }
  const int err = errno;
  if (err == EAGAIN || err == EWOULDBLOCK) return hx::RC_OK;
  ClosePipe();
  return hx::RcFromErrno(err);
}

}  // namespace hx::proc
