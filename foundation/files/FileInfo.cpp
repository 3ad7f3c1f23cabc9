#include "foundation/files/FileInfo.h"

#include <cerrno>

namespace {
constexpr mode_t kPermissionBits = 0777;
}

FileInfoC::TypeE FileInfoC::TypeOfMode(mode_t mode) {
  if (S_ISREG(mode)) return Regular;
  if (S_ISDIR(mode)) return Directory;
  if (S_ISCHR(mode)) return CharDevice;
  if (S_ISBLK(mode)) return BlockDevice;
  if (S_ISFIFO(mode)) return Fifo;
  if (S_ISLNK(mode)) return SymbolicLink;
  if (S_ISSOCK(mode)) return Socket;
  return Other;
}

void FileInfoC::assign(const struct stat& st) {
  hasStatus_ = true;
  type_ = TypeOfMode(st.st_mode);
  permissions_ = static_cast<uint32_t>(st.st_mode & kPermissionBits);
  size_ = static_cast<int64_t>(st.st_size);
  ctime_ = st.st_ctime;
  mtime_ = st.st_mtime;
  atime_ = st.st_atime;
  ctimeNs_ = static_cast<int32_t>(st.st_ctim.tv_nsec);
  mtimeNs_ = static_cast<int32_t>(st.st_mtim.tv_nsec);
  device_ = static_cast<uint64_t>(st.st_dev);
  inode_ = static_cast<uint64_t>(st.st_ino);
  owner_ = static_cast<uint32_t>(st.st_uid);
  group_ = static_cast<uint32_t>(st.st_gid);
  links_ = static_cast<uint32_t>(st.st_nlink);
}

hx::ResultT FileInfoC::read(const FileNameC& path, bool followLinks) {
  struct stat st;
  const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (rc != 0) {
    const int err = errno;
    clear();
    return hx::RcFromErrno(err);
  }
  assign(st);
  return hx::RC_OK;
}
