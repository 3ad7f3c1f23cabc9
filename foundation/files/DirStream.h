#pragma once
// One open directory stream, closed with the object: a directory read by name or through a
// handle the caller already checked. Whoever lists a directory goes through here, so no stream
// outlives the code that read it, whatever path the reading leaves by.

#include <dirent.h>

#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace hx {

class DirStreamC {
 public:
  DirStreamC() = default;
  // Opens the directory `path` ("" is the working directory); invalid with errno set on failure.
  explicit DirStreamC(const std::string& path);
  // Reads the directory behind fd, which the stream then owns (closed on failure too).
  explicit DirStreamC(UniqueFdC&& fd);
  ~DirStreamC() { reset(); }
  DirStreamC(DirStreamC&& other) noexcept : dir_(other.dir_) { other.dir_ = nullptr; }
  DirStreamC& operator=(DirStreamC&& other) noexcept;
  DirStreamC(const DirStreamC&) = delete;
  DirStreamC& operator=(const DirStreamC&) = delete;

  bool valid() const { return dir_ != nullptr; }
  // The stream's descriptor, -1 when none is open.
  int fd() const { return dir_ != nullptr ? ::dirfd(dir_) : -1; }
  // The next entry, "." and ".." included; null at the end (errno 0) or on a failed read
  // (errno set).
  const struct dirent* next();
  void reset();

 private:
  DIR* dir_ = nullptr;
};

// The names in directory `path`, "." and ".." left out, in the order they were read; false
// (errno set) when the directory cannot be opened or read whole.
HX_NODISCARD bool ListDirectory(const std::string& path, std::vector<std::string>* names);
// The same through a handle the caller opened, which is consumed.
HX_NODISCARD bool ListDirectory(UniqueFdC&& fd, std::vector<std::string>* names);

}  // namespace hx
