#pragma once
// CommPipeC: a pipe whose two ends are inheritable or not, each as the maker chooses. The
// command runner uses one per redirected output stream: the write end goes to the child, the
// read end stays with the tracker and must never reach a child (or the tracker would wait for
// its own descendant to close it).

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

class CommPipeC {
 public:
  CommPipeC() = default;
  ~CommPipeC() { Close(); }
  CommPipeC(const CommPipeC&) = delete;
  CommPipeC& operator=(const CommPipeC&) = delete;

  // Makes the pipe; a non-inheritable end carries close-on-exec. Neither end is ever one of the
  // standard descriptors 0-2.
  HX_NODISCARD hx::ResultT Create(bool readInheritable, bool writeInheritable);

  int ReadFD() const { return read_; }
  int WriteFD() const { return write_; }
  void CloseRead();
  void CloseWrite();
  void Close() {
    CloseRead();
    CloseWrite();
  }

 private:
  int read_ = -1;
  int write_ = -1;
};
