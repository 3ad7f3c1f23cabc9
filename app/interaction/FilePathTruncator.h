#pragma once
// FilePathTruncatorC: shortens a path shown in progress to its first levels ("ProgressDepth"),
// so that the line stays put while a scan works deep below one directory and changes only when
// it moves on: with 3 levels, /usr/share/doc/base/changelog.gz shows as /usr/share/doc/...

#include <cstddef>
#include <string>

class FilePathTruncatorC {
 public:
  static constexpr const char* c_Continued = "/...";

  explicit FilePathTruncatorC(size_t depth) : depth_(depth) {}
  // The path up to its depth-th component, followed by c_Continued when it goes deeper; a path
  // of no more levels as it is.
  std::string Truncate(const std::string& path) const;

 private:
  size_t depth_;
};
