#include "inventory/XmlOutputStream.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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

hx::ResultT XmlSaveFile(const FileNameC* file, XmlDocumentI* document) {
  if (file == nullptr || document == nullptr) return hx::RC_NULL_OUT;
  hx::ResultT rc;
  bool opened = false;
  {
    XmlStdioOutputStreamC stream(*file);
    opened = hx::Succeeded(stream.getError());
    rc = stream.saveObject(document);
    const hx::ResultT closed = stream.close();
    if (hx::Succeeded(rc)) rc = closed;
  }
  // Only a regular file is ours to remove: a failed write to a device must leave the device.
  struct stat st;
  if (hx::Failed(rc) && opened && ::lstat(file->c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(file->c_str());
  return rc;
}
