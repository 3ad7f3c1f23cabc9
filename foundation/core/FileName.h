#pragma once
// FileNameC: a path name. The bytes are kept as they came from the file system (a name that is
// not valid UTF-8 still opens the file it names); text() gives the UTF-8 form for display.

#include <string>
#include <string_view>
#include <vector>

class FileNameC {
 public:
  FileNameC() = default;
  FileNameC(std::string path) : path_(std::move(path)) {}
  FileNameC(const char* path) : path_(path ? path : "") {}

  const std::string& str() const { return path_; }
  const char* c_str() const { return path_.c_str(); }
  std::string text() const;  // UTF-8 form, for logs and the inventory
  bool empty() const { return path_.empty(); }
  bool isAbsolute() const { return !path_.empty() && path_[0] == '/'; }

  // The directory part ("/a/b" of "/a/b/c.txt"; "/" of "/c"; "" of "c").
  std::string directory() const;
  // The last component ("c.txt"); trailing slashes are ignored.
  std::string baseName() const;
  // The extension of the base name without the dot ("txt"); "" when there is none. A leading
  // dot (".profile") does not start an extension.
  std::string extension() const;
  // The parent path, or "" when there is none.
  FileNameC parent() const { return FileNameC(directory()); }
  // This path with one more component; no separator is doubled.
  FileNameC append(std::string_view name) const;
  // The path's components, without empty ones ("/a//b/" gives "a", "b").
  std::vector<std::string> components() const;

  bool operator==(const FileNameC& o) const { return path_ == o.path_; }
  bool operator!=(const FileNameC& o) const { return path_ != o.path_; }
  bool operator<(const FileNameC& o) const { return path_ < o.path_; }

 private:
  std::string path_;
};

using FileNameArrayC = std::vector<FileNameC>;

namespace hx {

// Whole-string wildcard match that ignores case: "*" matches any run of characters (the path
// separator included), "?" exactly one character. Runs in O(|pattern| * |text|) at worst.
bool WildcardMatch(std::string_view pattern, std::string_view text);
inline bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

}  // namespace hx
