#include "foundation/files/DirStream.h"

#include <cerrno>
#include <utility>

namespace hx {

namespace {

bool ReadNames(DirStreamC& stream, std::vector<std::string>* names) {
  if (!stream.valid()) return false;
  while (const struct dirent* e = stream.next()) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names->push_back(name);
  }
  return errno == 0;
}

}  // namespace

DirStreamC::DirStreamC(const std::string& path) : dir_(::opendir(path.empty() ? "." : path.c_str())) {}

DirStreamC::DirStreamC(UniqueFdC&& fd) {
  if (!fd.valid()) return;
  dir_ = ::fdopendir(fd.get());
  if (dir_ == nullptr) {
    const int err = errno;
    fd.reset();
    errno = err;
    return;
  }
  fd.release();  // the stream holds the descriptor now
}

DirStreamC& DirStreamC::operator=(DirStreamC&& other) noexcept {
  if (this != &other) {
    reset();
    dir_ = other.dir_;
    other.dir_ = nullptr;
  }
  return *this;
}

const struct dirent* DirStreamC::next() {
  errno = 0;
  return dir_ != nullptr ? ::readdir(dir_) : nullptr;
}

void DirStreamC::reset() {
  if (dir_ == nullptr) return;
  HX_IGNORE_RESULT(::closedir(dir_));  // a stream only read from has nothing left to lose
  dir_ = nullptr;
}

bool ListDirectory(const std::string& path, std::vector<std::string>* names) {
  DirStreamC stream(path);
  return ReadNames(stream, names);
}

bool ListDirectory(UniqueFdC&& fd, std::vector<std::string>* names) {
  DirStreamC stream(std::move(fd));
  return ReadNames(stream, names);
}

}  // namespace hx
