#pragma once
// Helpers shared by the test programs: a temporary directory that removes itself, environment
// changes that undo themselves, and whole-file reads and writes.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace hxtest {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDirC {
 public:
  explicit TempDirC(const char* tag = "hxtest") {
    std::string pattern = std::string("/tmp/") + tag + "-XXXXXX";
    if (char* made = ::mkdtemp(pattern.data())) path_ = made;
  }
  ~TempDirC() {
    if (path_.empty()) return;
    std::error_code ec;
    // Give back permissions a test took away, so that the whole tree can go.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempDirC(const TempDirC&) = delete;
  TempDirC& operator=(const TempDirC&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& rel) const { return path_ + "/" + rel; }
  // Writes a file below the directory, creating its parent directories; returns its path.
  std::string Write(const std::string& rel, const std::string& content) const {
    const std::string p = File(rel);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path(), ec);
    WriteFile(p, content);
    return p;
  }
  std::string Mkdir(const std::string& rel) const {
    const std::string p = File(rel);
    std::error_code ec;
    std::filesystem::create_directories(p, ec);
    return p;
  }

 private:
  std::string path_;
};

// Sets or unsets environment variables for the life of the object and puts the old values
// back afterwards.
class ScopedEnvC {
 public:
  ScopedEnvC() = default;
  ScopedEnvC(const char* name, const char* value) { Set(name, value); }
  ~ScopedEnvC() {
    for (const auto& [name, old] : saved_) {
      if (old) ::setenv(name.c_str(), old->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  ScopedEnvC(const ScopedEnvC&) = delete;
  ScopedEnvC& operator=(const ScopedEnvC&) = delete;

  // A null value unsets the variable.
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace hxtest
