#include "app/staging/TrkGzip.h"

#include <zlib.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "app/staging/TrkStagingMessages.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/FileService.h"
#include "foundation/files/SafeFile.h"
#include "foundation/trace/Tracer.h"

namespace {

constexpr const char* c_GzipWriteMode = "wb";
constexpr mode_t c_StagedFileMode = 0600;

void TraceZlib(const char* step, int zlibError, const char* text) {
  hx::Trace(trk::staging::c_TraceCompress, "%1$s failed: zlib error %2$d (%3$s)\n", step, zlibError,
            text != nullptr ? text : "");
}

// Copies everything from in to out; 0 or the failure.
HX_NODISCARD hx::ResultT CopyInto(std::FILE* in, gzFile out) {
  char buffer[trk::c_GzipReadSize];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    const int written = gzwrite(out, buffer, static_cast<unsigned>(n));
    if (written != static_cast<int>(n)) {
      int zlibError = Z_OK;
      const char* text = gzerror(out, &zlibError);
      TraceZlib("gzwrite", zlibError, text);
      return zlibError == Z_ERRNO && errno != 0 ? hx::RcFromErrno(errno) : hx::RC_FAIL;
    }
  }
  return std::ferror(in) ? hx::RcFromErrno(errno != 0 ? errno : EIO) : hx::RC_OK;
}

}  // namespace

namespace trk {

hx::ResultT GzipCopy(const FileNameC& source, const FileNameC& target) {
  if (!target.directory().empty()) HX_IGNORE_RESULT(FileService()->mkdir(target.parent(), true));  // the open says
  // Neither file is reached through a link: the source is the run's inventory, the target its
  // staged file (made exclusively by the driver).
  hx::UniqueFdC inFd, outFd;
  hx::ResultT rc = hx::OpenForReading(source.str(), &inFd);
  if (hx::Succeeded(rc)) rc = hx::OpenForWriting(target.str(), O_TRUNC, c_StagedFileMode, &outFd);
  if (hx::Failed(rc)) return rc;
  std::FILE* in = ::fdopen(inFd.get(), "rb");
  if (in == nullptr) return hx::RcFromErrno(errno);
  inFd.release();
  errno = 0;
  gzFile out = gzdopen(outFd.get(), c_GzipWriteMode);
  if (out == nullptr) {
    const int err = errno;
    std::fclose(in);
    if (err != 0) return hx::RcFromErrno(err);
    TraceZlib("gzdopen", Z_MEM_ERROR, "out of memory");
    return hx::RC_FAIL;
  }
  outFd.release();  // gzclose closes it
  hx::ResultT r = CopyInto(in, out);
  std::fclose(in);
  const int closed = gzclose(out);
  if (closed != Z_OK) {
    TraceZlib("gzclose", closed, nullptr);
    if (hx::Succeeded(r)) r = hx::RC_FAIL;
  }
  return r;
}

}  // namespace trk
