#include "software/TrkFileReader.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "foundation/core/Md5.h"
#include "foundation/files/SafeFile.h"

namespace trk {

namespace {

constexpr size_t c_Base64Group = 3;
constexpr size_t c_Base64Chars = 4;

// One read, going on after an interruption: the bytes read, 0 at the end, -1 on failure.
ssize_t ReadSome(int fd, char* into, size_t size) {
  ssize_t n;
  do {
    n = ::read(fd, into, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out(c_Base64Chars * ((bytes.size() + c_Base64Group - 1) / c_Base64Group), '\0');
  if (out.empty()) return out;
  // One block per call at most INT_MAX bytes; embedded files are far smaller.
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

TrkFileReaderC::TrkFileReaderC(const std::string& path, const FileInfoC& seen, std::vector<char>& buffer)
    : path_(path), seen_(seen), buffer_(buffer) {
  if (buffer_.size() < c_BufferSize) buffer_.resize(c_BufferSize);
}

const std::string& TrkFileReaderC::Digest() {
  if (digestDone_) return digest_;
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
  const bool opened = hx::Succeeded(hx::OpenSeenFile(path_, static_cast<dev_t>(seen_.device()),
                                                    static_cast<ino_t>(seen_.inode()), &fd, &st));
  const int64_t size = opened ? static_cast<int64_t>(st.st_size) : 0;
  const bool keep = opened && !contentDone_ && keepLimit_ >= 0 && size <= keepLimit_;
  if (opened && size > static_cast<int64_t>(buffer_.size()))
    HX_IGNORE_RESULT(::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL));  // only advice
  // A file not kept now is never kept: it is too large, or it cannot be read.
  contentDone_ = true;
  if (keep) haveContent_ = readKept(fd.get(), size);
  if (!digest) return;
  digestDone_ = true;
  MD5C md5;
  const bool ok = keep ? haveContent_ && hx::Succeeded(md5.Update(content_)) : opened && readHashed(fd.get(), size, md5);
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

bool TrkFileReaderC::readHashed(int fd, int64_t size, MD5C& md5) {
  for (int64_t left = size; left > 0;) {
    const ssize_t n = ReadSome(fd, buffer_.data(), static_cast<size_t>(std::min<int64_t>(left, buffer_.size())));
    if (n < 0) return false;
    if (n == 0) break;
    if (hx::Failed(md5.Update(std::string_view(buffer_.data(), static_cast<size_t>(n))))) return false;
    left -= n;
  }
  return true;
}

}  // namespace trk
