#pragma once
// The gzip copy under the staging of an inventory: a standard gzip file written by zlib at its
// default level, read from the source in pieces of c_GzipReadSize bytes.

#include <cstddef>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace trk {

constexpr size_t c_GzipReadSize = 1024;

// Compresses source into target, creating the target's directory with its parents. 0, or an
// error-number result (the source cannot be read, the target cannot be opened), or RC_FAIL
// when zlib failed (its error is traced).
HX_NODISCARD hx::ResultT GzipCopy(const FileNameC& source, const FileNameC& target);

}  // namespace trk
