#include "inventory/XmlOutputStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/DirStream.h"
#include "foundation/files/SafeFile.h"
#include "inventory/InventoryCodes.h"
#include "inventory/XmlCharRule.h"

namespace {

// The error code of a failed operation from errno; errno 0 still has to be a failure.
HX_NODISCARD hx::ResultT ErrnoResult() { return errno != 0 ? hx::RcFromErrno(errno) : trk::RC_WRITE_FAILED; }

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
  HX_IGNORE_RESULT(flush());  // the stream keeps its first failure for getError
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
  HX_IGNORE_RESULT(node->saveTo(this));  // its failure is the stream's, answered below
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

// Whoever needs to know how the file ended calls close first and reads its answer.
XmlStdioOutputStreamC::~XmlStdioOutputStreamC() { HX_IGNORE_RESULT(close()); }

hx::ResultT XmlStdioOutputStreamC::writeChunk(const char* data, size_t size) {
  errno = 0;
  if (std::fwrite(data, 1, size, file_) != size) return ErrnoResult();
  return hx::RC_OK;
}

hx::ResultT XmlStdioOutputStreamC::close() {
  HX_IGNORE_RESULT(finish());  // kept by the stream: getError answers it below
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

constexpr mode_t c_NewFileMode = 0666;  // before the process's file-creation mask
constexpr const char* c_TempSuffix = ".tmp";

// "<base name>." of the temporary files of a save to file.
std::string TempPrefix(const FileNameC& file) { return file.baseName().substr(0, hx::c_TempBaseMax) + "."; }

// Finishes the document on the stream; RC_OK or the first failure of writing or closing.
HX_NODISCARD hx::ResultT WriteDocument(XmlStdioOutputStreamC& stream, XmlDocumentI* document) {
  const hx::ResultT rc = stream.saveObject(document);
  const hx::ResultT closed = stream.close();
  return hx::Succeeded(rc) ? closed : rc;
}

HX_NODISCARD hx::ResultT SaveReplacing(const FileNameC& target, XmlDocumentI* document) {
  hx::AtomicFileC file;
  hx::ResultT rc = file.Open(target.str(), c_NewFileMode, "");
  if (hx::Failed(rc)) return rc;
  // The stream writes through its own duplicate of the descriptor, so that closing the stream
  // leaves the file's descriptor to the commit (which synchronises and renames it).
  hx::UniqueFdC copy(::dup(file.fd()));
  std::FILE* out = copy.valid() ? ::fdopen(copy.get(), "w") : nullptr;
  if (out == nullptr) return ErrnoResult();
  copy.release();  // the stream holds it now
  {
    XmlStdioOutputStreamC stream(out);  // leaves out open: closed below
    rc = WriteDocument(stream, document);
  }
  errno = 0;
  if (std::fclose(out) != 0 && hx::Succeeded(rc)) rc = ErrnoResult();
  return hx::Succeeded(rc) ? file.Commit() : rc;
}

// A temporary name of a save to the file whose temporary prefix is prefix.
bool IsTempName(const std::string& name, const std::string& prefix) {
  const size_t suffix = std::strlen(c_TempSuffix);
  if (name.size() != prefix.size() + hx::c_UniqueLength + suffix) return false;
  if (name.compare(0, prefix.size(), prefix) != 0 || name.compare(name.size() - suffix, suffix, c_TempSuffix) != 0)
    return false;
  return hx::IsUniquePart(std::string_view(name.data() + prefix.size(), hx::c_UniqueLength));
}

}  // namespace

hx::ResultT XmlSaveFile(const FileNameC* file, XmlDocumentI* document) {
  if (file == nullptr || document == nullptr) return hx::RC_NULL_OUT;
  struct stat st;
  // A device (/dev/null for a dry run) is written as it is: there is nothing to replace.
  // Anything else in the file's place, a link included, is replaced by the new file: the save
  // never writes through a link.
  if (::lstat(file->c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
    XmlStdioOutputStreamC stream(*file);
    return WriteDocument(stream, document);
  }
  return SaveReplacing(*file, document);
}

size_t XmlRemoveStaleSaveFiles(const FileNameC& file) {
  const std::string dir = file.directory();
  const std::string prefix = TempPrefix(file);
  hx::DirStreamC listing(dir);
  std::vector<std::string> stale;
  while (const struct dirent* e = listing.next()) {
    if (IsTempName(e->d_name, prefix)) stale.emplace_back(e->d_name);
  }
  size_t removed = 0;
  for (const std::string& name : stale) {
    const std::string path = dir.empty() ? name : FileNameC(dir).append(name).str();
    if (hx::IsRegularFileNoFollow(path) && ::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}
