#include "inventory/XmlOutputStream.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <random>
#include <vector>

#include "inventory/InventoryCodes.h"
#include "inventory/XmlCharRule.h"

namespace {

// The error code of a failed operation from errno; errno 0 still has to be a failure.
hx::ResultT ErrnoResult() { return errno != 0 ? hx::RcFromErrno(errno) : trk::RC_WRITE_FAILED; }

// How each byte starts: written as it is, replaced (markup, control characters), or the first
// of a character that needs decoding.
enum ByteKindE : unsigned char { Plain, Replaced, NonAscii };

struct ByteKindsT {
  ByteKindE kind[256];
  constexpr ByteKindsT() : kind() {
    for (int b = 0; b < 256; ++b) kind[b] = b >= 0x80 ? NonAscii : (b < 0x20 && b != '\t' && b != '\n' && b != '\r') ? Replaced : Plain;
    for (unsigned char b : {'&', '<', '>', '"', '\''}) kind[b] = Replaced;
  }
};
constexpr ByteKindsT s_ByteKinds;

std::string_view Replacement(unsigned char b) {
  switch (b) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    default: return "~";  // a control character
  }
}

// Escapes text into sink(std::string_view) calls: runs of plain bytes go out in one piece.
template <typename SinkT>
void EscapeInto(std::string_view text, SinkT&& sink) {
  size_t plain = 0;  // start of the run of bytes written as they are
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const ByteKindE kind = s_ByteKinds.kind[b];
    if (kind == Plain) {
      ++i;
      continue;
    }
    if (i > plain) sink(text.substr(plain, i - plain));
    if (kind == Replaced) {
      sink(Replacement(b));
      ++i;
    } else {
      uint32_t cp = 0;
      const size_t len = hx::DecodeUtf8(text, i, cp);
      if (len == 0) {  // not UTF-8: the Latin-1 character of the byte
        std::string one;
        hx::AppendUtf8(one, b);
        sink(one);
        ++i;
      } else {
        sink(cp == 0xFFFE || cp == 0xFFFF ? std::string_view(" ") : text.substr(i, len));
        i += len;
      }
    }
    plain = i;
  }
  if (text.size() > plain) sink(text.substr(plain));
}

}  // namespace

XmlOutputStreamC::XmlOutputStreamC() : buffer_(new char[c_ChunkSize]) {}

void XmlOutputStreamC::escapeText(std::string_view text, std::string& out) {
  EscapeInto(text, [&out](std::string_view piece) { out.append(piece); });
}

void XmlOutputStreamC::writeEscaped(std::string_view text) {
  EscapeInto(text, [this](std::string_view piece) { write(piece); });
}

void XmlOutputStreamC::writeLarge(std::string_view bytes) {
  flush();
  if (bytes.size() < c_ChunkSize) {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  } else if (hx::Succeeded(error_)) {
    setError(writeChunk(bytes.data(), bytes.size()));
  }
}

void XmlOutputStreamC::writeTabs(size_t count) {
  static const std::string s_Tabs(64, '\t');
  while (count > 0) {
    const size_t n = std::min(count, s_Tabs.size());
    write(std::string_view(s_Tabs).substr(0, n));
    count -= n;
  }
}

hx::ResultT XmlOutputStreamC::flush() {
  if (hx::Succeeded(error_) && used_ > 0) setError(writeChunk(buffer_.get(), used_));
  used_ = 0;
  return error_;
}

void XmlOutputStreamC::startDocument(const StringC& rootTag, const StringC& publicId, const StringC& systemId) {
  write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  write("<!DOCTYPE ");
  write(rootTag);
  if (!publicId.empty()) {
    write(" PUBLIC \"");
    write(publicId);
    write("\" \"");
    write(systemId);
    write("\"");
  } else if (!systemId.empty()) {
    write(" SYSTEM \"");
    write(systemId);
    write("\"");
  }
  write(">\n\n");
}

void XmlOutputStreamC::startObject(const StringC& tag) {
  if (startOpen_) write(">\n");
  writeTabs(depth_);
  write("<");
  write(tag);
  empty_ = noIndent_ = startOpen_ = true;
  ++depth_;
}

hx::ResultT XmlOutputStreamC::saveAttr(const StringC& name, const StringC& value) {
  write(" ");
  write(name);
  write("=\"");
  writeEscaped(value);
  write("\"");
  return error_;
}

void XmlOutputStreamC::saveText(const StringC& text) {
  if (startOpen_) {
    write(">");
    startOpen_ = false;
  }
  escaped_.clear();
  escapeText(text, escaped_);
  std::string_view v(escaped_);
  if (!v.empty() && v.front() == ' ') {
    write("\n");
    writeTabs(depth_);
    v.remove_prefix(1);
  }
  if (!v.empty() && v.back() == ' ') {
    v.remove_suffix(1);
    write(v);
    write("\n");
    writeTabs(depth_ > 0 ? depth_ - 1 : 0);
  } else {
    write(v);
  }
  empty_ = false;
}

void XmlOutputStreamC::endObject(const StringC& tag) {
  if (depth_ > 0) --depth_;
  if (empty_) {
    write("/>\n");
  } else {
    if (!noIndent_) writeTabs(depth_);
    write("</");
    write(tag);
    write(">\n");
  }
  empty_ = noIndent_ = startOpen_ = false;
}

hx::ResultT XmlOutputStreamC::saveObject(XmlDocumentI* document) {
  if (document == nullptr || document->getNode() == nullptr) return hx::RC_INVALID_ARG;
  XmlNodeI* root = document->getNode();
  startDocument(root->getTag(), document->getPublicId(), document->getSystemId());
  if (hx::Failed(error_)) return error_;
  return saveObject(root);
}

hx::ResultT XmlOutputStreamC::saveObject(XmlNodeI* node) {
  if (node == nullptr) return hx::RC_INVALID_ARG;
  if (hx::Failed(error_)) return error_;
  startObject(node->getTag());
  node->saveTo(this);
  endObject(node->getTag());
  return error_;
}

hx::ResultT XmlOutputStreamC::finish() {
  if (startOpen_) {
    write(">\n");
    startOpen_ = false;
  }
  return flush();
}

// ---- standard I/O -----------------------------------------------------------------------------

XmlStdioOutputStreamC::XmlStdioOutputStreamC(const FileNameC& file) : owns_(true) {
  errno = 0;
  file_ = std::fopen(file.c_str(), "w");
  if (file_ == nullptr) setError(ErrnoResult());
}

XmlStdioOutputStreamC::XmlStdioOutputStreamC(std::FILE* stream) : file_(stream), owns_(false) {
  if (file_ == nullptr) setError(hx::RC_INVALID_ARG);
}

XmlStdioOutputStreamC::~XmlStdioOutputStreamC() { close(); }

hx::ResultT XmlStdioOutputStreamC::writeChunk(const char* data, size_t size) {
  errno = 0;
  if (std::fwrite(data, 1, size, file_) != size) return ErrnoResult();
  return hx::RC_OK;
}

hx::ResultT XmlStdioOutputStreamC::close() {
  finish();
  if (file_ == nullptr) return getError();
  errno = 0;
  // Buffered data can still fail to reach the disk here (a full file system).
  const int rc = owns_ ? std::fclose(file_) : std::fflush(file_);
  if (rc != 0) setError(ErrnoResult());
  file_ = nullptr;
  return getError();
}

// ---- saving a file ------------------------------------------------------------------------------

namespace {

constexpr mode_t c_NewFileMode = 0666;  // before the process umask, as fopen would create it
constexpr size_t c_UniqueLength = 6;
constexpr const char* c_TempSuffix = ".tmp";
// Keeps "<name>.<unique>.tmp" within the file-name length limit for any name.
constexpr size_t c_TempBaseMax = 200;
constexpr int c_TempAttempts = 100;
constexpr const char c_UniqueChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// "<base name>." of the temporary files of a save to file.
std::string TempPrefix(const FileNameC& file) { return file.baseName().substr(0, c_TempBaseMax) + "."; }

std::string UniquePart() {
  thread_local std::mt19937_64 s_Random(
      std::random_device{}() ^ (static_cast<uint64_t>(::getpid()) << 32) ^
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uniform_int_distribution<size_t> pick(0, sizeof c_UniqueChars - 2);
  std::string unique(c_UniqueLength, ' ');
  for (char& c : unique) c = c_UniqueChars[pick(s_Random)];
  return unique;
}

// Creates a new temporary file beside target and opens it for writing: -1 with errno set on
// failure. O_EXCL never takes over an existing file; the mode goes through the umask like the
// mode of any new file, so the inventory gets the permissions it always had.
int OpenTemp(const FileNameC& target, std::string* temp) {
  const std::string dir = target.directory();
  const std::string prefix = TempPrefix(target);
  for (int attempt = 0; attempt < c_TempAttempts; ++attempt) {
    const std::string name = prefix + UniquePart() + c_TempSuffix;
    *temp = dir.empty() ? name : FileNameC(dir).append(name).str();
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, c_NewFileMode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;  // errno is still EEXIST
}

// The file a save replaces: the one a link at the path names (so that the link stays), or the
// path itself.
FileNameC SaveTarget(const FileNameC& file) {
  struct stat st;
  if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return file;
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(file.c_str(), nullptr), &std::free);
  return resolved ? FileNameC(resolved.get()) : file;
}

// Finishes the document on the stream; RC_OK or the first failure of writing or closing.
hx::ResultT WriteDocument(XmlStdioOutputStreamC& stream, XmlDocumentI* document) {
  const hx::ResultT rc = stream.saveObject(document);
  const hx::ResultT closed = stream.close();
  return hx::Succeeded(rc) ? closed : rc;
}

// After the rename only the directory entry may still be in memory: a crash of the machine
// must not bring back the previous file, or none. A directory that cannot be synchronised
// changes nothing for the process itself, so a failure here is not the save's failure.
void SyncDirectory(const FileNameC& target) {
  const std::string dir = target.directory();
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

hx::ResultT SaveReplacing(const FileNameC& target, XmlDocumentI* document) {
  std::string temp;
  errno = 0;
  const int fd = OpenTemp(target, &temp);
  if (fd < 0) return ErrnoResult();
  std::FILE* out = ::fdopen(fd, "w");
  hx::ResultT rc = hx::RC_OK;
  if (out == nullptr) {
    rc = ErrnoResult();
    ::close(fd);
  } else {
    XmlStdioOutputStreamC stream(out);  // leaves out open for the flush to the disk
    rc = WriteDocument(stream, document);
    errno = 0;
    // The data is on the disk before its name is: a rename that reached the disk first would
    // leave an empty or short file under the inventory's name after a crash of the machine.
    if (hx::Succeeded(rc) && ::fsync(fd) != 0) rc = ErrnoResult();
    errno = 0;
    if (std::fclose(out) != 0 && hx::Succeeded(rc)) rc = ErrnoResult();
  }
  errno = 0;
  if (hx::Succeeded(rc) && ::rename(temp.c_str(), target.c_str()) != 0) rc = ErrnoResult();
  if (hx::Failed(rc)) {
    ::unlink(temp.c_str());
    return rc;
  }
  SyncDirectory(target);
  return hx::RC_OK;
}

// A temporary name of a save to the file whose temporary prefix is prefix.
bool IsTempName(const std::string& name, const std::string& prefix) {
  const size_t suffix = std::strlen(c_TempSuffix);
  if (name.size() != prefix.size() + c_UniqueLength + suffix) return false;
  if (name.compare(0, prefix.size(), prefix) != 0 || name.compare(name.size() - suffix, suffix, c_TempSuffix) != 0)
    return false;
  const std::string_view unique(name.data() + prefix.size(), c_UniqueLength);
  return unique.find_first_not_of(c_UniqueChars) == std::string_view::npos;
}

}  // namespace

hx::ResultT XmlSaveFile(const FileNameC* file, XmlDocumentI* document) {
  if (file == nullptr || document == nullptr) return hx::RC_NULL_OUT;
  const FileNameC target = SaveTarget(*file);
  struct stat st;
  // Devices and pipes are written as they are: there is nothing to replace. (A directory
  // fails to open, as it should.)
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    XmlStdioOutputStreamC stream(target);
    return WriteDocument(stream, document);
  }
  return SaveReplacing(target, document);
}

size_t XmlRemoveStaleSaveFiles(const FileNameC& file) {
  const FileNameC target = SaveTarget(file);
  const std::string dir = target.directory();
  const std::string prefix = TempPrefix(target);
  std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.empty() ? "." : dir.c_str()), &::closedir);
  if (!listing) return 0;
  std::vector<std::string> stale;
  while (const struct dirent* e = ::readdir(listing.get())) {
    if (IsTempName(e->d_name, prefix)) stale.emplace_back(e->d_name);
  }
  size_t removed = 0;
  for (const std::string& name : stale) {
    const std::string path = dir.empty() ? name : FileNameC(dir).append(name).str();
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}
