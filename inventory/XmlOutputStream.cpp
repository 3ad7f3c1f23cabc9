#include "inventory/XmlOutputStream.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include "inventory/InventoryCodes.h"
#include "inventory/XmlCharRule.h"

namespace {

// The error code of a failed operation from errno; errno 0 still has to be a failure.
hx::ResultT ErrnoResult() { return errno != 0 ? hx::RcFromErrno(errno) : trk::RC_WRITE_FAILED; }

// The replacement of an ASCII byte, or null when it is written as it is.
const char* AsciiEscape(unsigned char b) {
  switch (b) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    case '\t':
    case '\n':
    case '\r': return nullptr;
    default: return b < 0x20 ? "~" : nullptr;
  }
}

// Escapes one non-ASCII character at s[i]; returns its length in s.
size_t EscapeNonAscii(std::string_view s, size_t i, std::string& out) {
  uint32_t cp = 0;
  const size_t len = trk::DecodeUtf8(s, i, cp);
  if (len == 0) {
    trk::AppendUtf8(out, static_cast<unsigned char>(s[i]));
    return 1;
  }
  if (cp == 0xFFFE || cp == 0xFFFF) out.push_back(' ');
  else out.append(s.substr(i, len));
  return len;
}

}  // namespace

XmlOutputStreamC::XmlOutputStreamC() { buffer_.reserve(c_ChunkSize + 1024); }

void XmlOutputStreamC::escapeText(std::string_view text, std::string& out) {
  size_t plain = 0;  // start of the run of bytes copied as they are
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      const char* repl = AsciiEscape(b);
      if (repl == nullptr) {
        ++i;
        continue;
      }
      out.append(text.substr(plain, i - plain));
      out.append(repl);
      plain = ++i;
    } else {
      out.append(text.substr(plain, i - plain));
      i += EscapeNonAscii(text, i, out);
      plain = i;
    }
  }
  out.append(text.substr(plain));
}

void XmlOutputStreamC::write(std::string_view bytes) {
  if (hx::Failed(error_)) return;
  buffer_.append(bytes);
  if (buffer_.size() >= c_ChunkSize) flush();
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
  if (hx::Succeeded(error_) && !buffer_.empty()) setError(writeChunk(buffer_.data(), buffer_.size()));
  buffer_.clear();
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
  escaped_.clear();
  escapeAttrVal(value, escaped_);
  write(escaped_);
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
  if (hx::Failed(rc) && opened) ::unlink(file->c_str());
  return rc;
}
