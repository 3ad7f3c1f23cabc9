#pragma once
// Small descriptor helpers shared by the command runner's pipes and stream redirects. They
// retry interrupted calls, so that a signal arriving while the tracker waits for a tool never
// turns into a spurious failure.

#include <sys/types.h>

#include <cstddef>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace hx {

// Closes fd (when >= 0) and sets it to -1. A failure is reported through the error reporter
// with its error code and otherwise ignored: the descriptor is forgotten all the same.
void CloseDescriptor(int& fd);

// Moves fd to a number of 3 or more (closing the original) when it is one of 0, 1, 2. A tracker
// started with a closed standard stream gets those numbers back from open() and pipe(); a pipe
// end or redirect file sitting on 0-2 would then be silently handed to every child as one of its
// standard streams. Sets or clears close-on-exec on the result as asked.
HX_NODISCARD ResultT MoveAboveStdio(int& fd, bool closeOnExec);

// open() that retries when interrupted; the descriptor carries close-on-exec.
HX_NODISCARD ResultT OpenRetry(const char* path, int flags, mode_t mode, int& fd);

// read() that retries when interrupted; returns the byte count or -1 with errno set.
HX_NODISCARD ssize_t ReadRetry(int fd, void* data, size_t length);

}  // namespace hx
