#pragma once
// The three standard-stream descriptors of a child process (ProcessC::StdInDescC,
// ProcessC::StdOutDescC, ProcessC::StdErrDescC). Each says what the child receives as that
// stream: the tracker's own descriptor (the default), a descriptor the caller gives, a file the
// descriptor opens, or (output and error) a pipe whose bytes the tracker copies into an
// OutputStreamC while the child runs.

#include <memory>
#include <vector>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/process/CommPipe.h"
#include "foundation/process/OutputStream.h"

namespace hx::proc {

class StdIODescC {
 public:
  enum DirectionE { c_Input = 0, c_Output = 1 };

  StdIODescC(DirectionE direction, int defaultFd);
  virtual ~StdIODescC();
  StdIODescC(const StdIODescC&) = delete;
  StdIODescC& operator=(const StdIODescC&) = delete;

  // The child receives fd as this stream (the default when fd < 0). Closes a descriptor that an
  // earlier file redirect opened and drops an earlier pipe. Returns 0.
  HX_NODISCARD virtual hx::ResultT Redirect(int fd);
  // The child receives the named file; null changes nothing.
  HX_NODISCARD virtual hx::ResultT Redirect(const FileNameC* name) = 0;
  // Closes in the tracker what only the child needs, right after the fork.
  virtual void CloseInheritedFD() = 0;
  // The tracker's end of this stream's pipe, -1 when there is none.
  virtual int GetParentFDToChild() const = 0;

  operator int() const { return current_; }
  int Default() const { return default_; }
  DirectionE Direction() const { return direction_; }
  void ClosePipe() { pipe_.reset(); }
  // "/dev/null", for callers that want to discard a stream or give the child no input.
  const FileNameC& NullDevice() const { return nullDevice_; }

 protected:
  // Opens name with openFlags and makes it the child's stream through the virtual Redirect(int).
  HX_NODISCARD hx::ResultT RedirectToFile(const FileNameC* name, int openFlags);
  void CloseOwned();

  DirectionE direction_;
  int default_;
  int current_;
  int owned_ = -1;                   // opened by a file redirect, closed by us
  std::unique_ptr<CommPipeC> pipe_;  // made by a stream redirect
  FileNameC nullDevice_;
};

class StdInDescC : public StdIODescC {
 public:
  StdInDescC() : StdIODescC(c_Input, 0) {}
  HX_NODISCARD hx::ResultT Redirect(int fd) override { return StdIODescC::Redirect(fd); }
  HX_NODISCARD hx::ResultT Redirect(const FileNameC* name) override;
  void CloseInheritedFD() override {}
  int GetParentFDToChild() const override { return -1; }
  // Feeding a child from a stream is not supported.
  HX_NODISCARD virtual hx::ResultT Redirect(InputStreamC* stream);
};

class StdOutDescC : public StdIODescC {
 public:
  StdOutDescC() : StdOutDescC(1) {}
  HX_NODISCARD hx::ResultT Redirect(int fd) override { return StdIODescC::Redirect(fd); }
  HX_NODISCARD hx::ResultT Redirect(const FileNameC* name) override;
  void CloseInheritedFD() override;
  int GetParentFDToChild() const override { return pipe_ ? pipe_->ReadFD() : -1; }
  // The child's bytes go through a pipe into stream (not owned; null changes nothing).
  HX_NODISCARD virtual hx::ResultT Redirect(OutputStreamC* stream);

  // One read from the pipe into the stream. End of file drops the pipe. A failed read also
  // drops it (a broken pipe does not heal, and keeping it would make the caller poll it
  // forever) and returns the error; a failed stream write returns the stream's failure and
  // keeps the pipe, so that the child is never left blocked on a full pipe.
  HX_NODISCARD hx::ResultT CopyFDToStream();

  // Bytes per read: large enough that a tool printing megabytes costs few system calls.
  static constexpr size_t c_ReadChunk = 64 * 1024;

 protected:
  explicit StdOutDescC(int defaultFd) : StdIODescC(c_Output, defaultFd) {}

 private:
  OutputStreamC* stream_ = nullptr;
  std::vector<char> buffer_;  // made on the first read
};

class StdErrDescC : public StdOutDescC {
 public:
  StdErrDescC() : StdOutDescC(2) {}
};

}  // namespace hx::proc
