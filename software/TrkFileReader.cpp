#include "software/TrkFileReader.h"

#include <fcntl.h>
#include <grp.h>
#include <openssl/evp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "foundation/core/Md5.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace trk {

namespace {

constexpr size_t c_Base64Group = 3;
constexpr size_t c_Base64Chars = 4;

// One read, going on after an interruption: the bytes read, 0 at the end, -1 on failure.
HX_NODISCARD ssize_t ReadSome(int fd, char* into, size_t size) {
  ssize_t n;
  do {
    n = ::read(fd, into, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

// Hashes at most `size` bytes of fd (fewer when the file shrank); false on a read failure or
// when `stop` was set.
HX_NODISCARD bool ReadHashed(int fd, int64_t size, std::vector<char>& buffer, MD5C& md5, const std::atomic<bool>* stop) {
  for (int64_t left = size; left > 0;) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
    const ssize_t n = ReadSome(fd, buffer.data(), static_cast<size_t>(std::min<int64_t>(left, buffer.size())));
    if (n < 0) return false;
    if (n == 0) break;
    if (hx::Failed(md5.Update(std::string_view(buffer.data(), static_cast<size_t>(n))))) return false;
    left -= n;
  }
  return true;
}

// Opens the file the walk saw; false when the name leads elsewhere or nowhere.
HX_NODISCARD bool OpenSeen(int dirFd, const std::string& name, uint64_t device, uint64_t inode, hx::UniqueFdC* fd,
              struct stat* st) {
  return hx::Succeeded(
      hx::OpenSeenFile(dirFd, name, static_cast<dev_t>(device), static_cast<ino_t>(inode), fd, st));
}

// Whether the user `uid` is a member of group `gid`, by the password and group databases.
bool InGroup(uint32_t uid, uint32_t gid) {
  const struct passwd* pw = ::getpwuid(uid);
  if (pw == nullptr) return false;
  if (pw->pw_gid == gid) return true;
  int count = 0;
  ::getgrouplist(pw->pw_name, pw->pw_gid, nullptr, &count);
  std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 1)));
  if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) return false;
  return std::find(groups.begin(), groups.begin() + count, static_cast<gid_t>(gid)) != groups.begin() + count;
}

void AdviseSequential(int fd, int64_t size, size_t bufferSize) {
  if (size > static_cast<int64_t>(bufferSize))
    HX_IGNORE_RESULT(::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL));  // only advice
}

}  // namespace

std::string DigestSeenFile(int dirFd, const std::string& name, uint64_t device, uint64_t inode,
                           std::vector<char>& buffer, const std::atomic<bool>* stop) {
  if (buffer.size() < TrkFileReaderC::c_BufferSize) buffer.resize(TrkFileReaderC::c_BufferSize);
  hx::UniqueFdC fd;
  struct stat st;
  if (!OpenSeen(dirFd, name, device, inode, &fd, &st)) return std::string();
  AdviseSequential(fd.get(), static_cast<int64_t>(st.st_size), buffer.size());
  MD5C md5;
  std::string digest;
  if (!ReadHashed(fd.get(), static_cast<int64_t>(st.st_size), buffer, md5, stop) || hx::Failed(md5.Final(&digest)))
    digest.clear();
  return digest;
}

bool MayTakeContent(const FileInfoC& file, uint32_t dirOwner, std::string* why) {
  if (file.links() > 1 && file.owner() != dirOwner) {
    *why = "it has " + std::to_string(file.links()) + " links and belongs to user " + std::to_string(file.owner()) +
           ", not to user " + std::to_string(dirOwner) + " who owns its directory";
    return false;
  }
  if (dirOwner == 0) return true;
  uint32_t bit = S_IROTH;
  if (file.owner() == dirOwner) bit = S_IRUSR;
  else if (InGroup(dirOwner, file.group())) bit = S_IRGRP;
  if ((file.permissions() & bit) != 0) return true;
  *why = "user " + std::to_string(dirOwner) + ", who owns its directory, may not read it";
  return false;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out(c_Base64Chars * ((bytes.size() + c_Base64Group - 1) / c_Base64Group), '\0');
  if (out.empty()) return out;
  // One block per call at most INT_MAX bytes; embedded files are far smaller.
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

TrkFileReaderC::TrkFileReaderC(int dirFd, const std::string& name, const FileInfoC& seen, std::vector<char>& buffer)
    : dirFd_(dirFd), name_(name), seen_(seen), buffer_(buffer) {
  if (buffer_.size() < c_BufferSize) buffer_.resize(c_BufferSize);
}

const std::string& TrkFileReaderC::Digest() {
  if (digestDone_) return digest_;
  if (OverDigestBudget()) {
    digestDone_ = true;
    digest_.clear();
    return digest_;
  }
  if (haveContent_) {
    digestDone_ = true;
    MD5C md5;
    if (hx::Failed(md5.Update(content_)) || hx::Failed(md5.Final(&digest_))) digest_.clear();
    return digest_;
  }
  read(true);
  return digest_;
}

const std::string* TrkFileReaderC::Content() {
  if (!contentDone_) read(false);
  return haveContent_ ? &content_ : nullptr;
}

void TrkFileReaderC::read(bool digest) {
  hx::UniqueFdC fd;
  struct stat st;
  const bool opened = OpenSeen(dirFd_, name_, seen_.device(), seen_.inode(), &fd, &st);
  const int64_t size = opened ? static_cast<int64_t>(st.st_size) : 0;
  const bool keep = opened && !contentDone_ && keepLimit_ >= 0 && size <= keepLimit_;
  if (opened) AdviseSequential(fd.get(), size, buffer_.size());
  // A file not kept now is never kept: it is too large, or it cannot be read.
  contentDone_ = true;
  if (keep) haveContent_ = readKept(fd.get(), size);
  if (!digest) return;
  digestDone_ = true;
  MD5C md5;
  const bool ok = keep ? haveContent_ && hx::Succeeded(md5.Update(content_))
                       : opened && ReadHashed(fd.get(), size, buffer_, md5, nullptr);
  if (!ok || hx::Failed(md5.Final(&digest_))) digest_.clear();
}

bool TrkFileReaderC::readKept(int fd, int64_t size) {
  content_.resize(static_cast<size_t>(size));
  size_t got = 0;
  while (got < content_.size()) {
    const ssize_t n = ReadSome(fd, content_.data() + got, content_.size() - got);
    if (n < 0) return false;
    if (n == 0) break;  // the file shrank: what was read is its content
    got += static_cast<size_t>(n);
  }
  content_.resize(got);
  return true;
}

}  // namespace trk
