#include "collect/read/DocumentFile.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace hxc {

namespace {

constexpr size_t c_Piece = 256 * 1024;

// Hands the bytes of a file to the parser, uncompressing gzip members as they come.
class InflaterC {
 public:
  InflaterC(DocumentParserC& parser, std::string* why) : parser_(parser), why_(why) {}
  ~InflaterC() {
    if (open_) inflateEnd(&z_);
  }
  InflaterC(const InflaterC&) = delete;
  InflaterC& operator=(const InflaterC&) = delete;

  hx::ResultT Take(const unsigned char* data, size_t size) {
    if (first_ && size > 0) {
      first_ = false;
      gzip_ = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
      if (gzip_ && !Open()) return Fail("cannot start zlib");
      if (gzip_) out_.reset(new unsigned char[c_Piece]);  // left uninitialised: inflate fills it
    }
    if (!gzip_) return parser_.Feed(reinterpret_cast<const char*>(data), size, false, why_);
    z_.next_in = const_cast<unsigned char*>(data);
    z_.avail_in = static_cast<uInt>(size);
    while (z_.avail_in > 0) {
      if (ended_) {  // another member follows
        if (inflateReset(&z_) != Z_OK) return Fail("damaged gzip data");
        ended_ = false;
      }
      z_.next_out = out_.get();
      z_.avail_out = static_cast<uInt>(c_Piece);
      const int rc = inflate(&z_, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return Fail("damaged gzip data");
      ended_ = rc == Z_STREAM_END;
      const size_t n = c_Piece - z_.avail_out;
      const hx::ResultT fed = parser_.Feed(reinterpret_cast<const char*>(out_.get()), n, false, why_);
      if (hx::Failed(fed)) return fed;
      if (rc == Z_BUF_ERROR && n == 0) break;
    }
    return hx::RC_OK;
  }

  hx::ResultT End() {
    if (gzip_ && !ended_) return Fail("gzip data cut short");
    return parser_.Feed(nullptr, 0, true, why_);
  }

 private:
  bool Open() {
    std::memset(&z_, 0, sizeof z_);
    open_ = inflateInit2(&z_, 16 + MAX_WBITS) == Z_OK;
    return open_;
  }
  hx::ResultT Fail(const char* what) {
    *why_ = what;
    return hx::RC_FAIL;
  }

  DocumentParserC& parser_;
  std::string* why_;
  std::unique_ptr<unsigned char[]> out_;
  z_stream z_{};
  bool open_ = false, first_ = true, gzip_ = false, ended_ = false;
};

}  // namespace

int64_t MtimeNs(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

namespace {

std::string Hex(const unsigned char* bytes, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

struct DigestDeleterT {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

}  // namespace

hx::ResultT ReadDocumentFile(int dirFd, const std::string& name, DocumentSinkI& sink, FileFactsT* facts,
                             std::string* why) {
  const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = fd < 0 ? std::string("cannot open: ") + std::strerror(errno) : "not a regular file";
    if (fd >= 0) ::close(fd);
    return hx::RC_FAIL;
  }
  facts->mtime = MtimeNs(st);
  std::unique_ptr<EVP_MD_CTX, DigestDeleterT> sha(EVP_MD_CTX_new());
  if (sha == nullptr || EVP_DigestInit_ex(sha.get(), EVP_sha256(), nullptr) != 1) {
    ::close(fd);
    *why = "no SHA-256";
    return hx::RC_FAIL;
  }
  DocumentParserC parser(sink);
  InflaterC inflater(parser, why);
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[c_Piece]);  // read() fills it
  hx::ResultT rc = hx::RC_OK;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), c_Piece);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::string("cannot read: ") + std::strerror(errno);
      rc = hx::RC_FAIL;
      break;
    }
    if (n == 0) {
      rc = inflater.End();
      break;
    }
    EVP_DigestUpdate(sha.get(), buffer.get(), static_cast<size_t>(n));
    rc = inflater.Take(buffer.get(), static_cast<size_t>(n));
    if (hx::Failed(rc)) break;
  }
  ::close(fd);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (hx::Succeeded(rc) && EVP_DigestFinal_ex(sha.get(), digest, &size) == 1) facts->sha256 = Hex(digest, size);
  return rc;
}

hx::ResultT ReadDocumentBytes(const std::string& bytes, DocumentSinkI& sink, std::string* why) {
  DocumentParserC parser(sink);
  InflaterC inflater(parser, why);
  const hx::ResultT rc = inflater.Take(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return hx::Failed(rc) ? rc : inflater.End();
}

bool ReadStoredEntity(const std::string& xml, EntityT* entity) {
  class OneC : public DocumentSinkI {
   public:
    explicit OneC(EntityT* entity) : entity_(entity) {}
    hx::ResultT OnRoot(const RootT&) override { return hx::RC_OK; }
    hx::ResultT OnEntity(EntityT&& e) override {
      if (++count == 1) *entity_ = std::move(e);
      return hx::RC_OK;
    }
    size_t count = 0;

   private:
    EntityT* entity_;
  } sink(entity);
  std::string why;
  return hx::Succeeded(ReadDocumentBytes("<Inventory Type=\"Full\">" + xml + "</Inventory>", sink, &why)) &&
         sink.count == 1;
}

}  // namespace hxc
