#pragma once
// The XML writer of the inventory. Receivers parse the bytes, so the layout is fixed: the XML
// declaration and a DOCTYPE line, an empty line, then one element per line indented by one tab
// per level; an element without text or children is closed by "/>"; an element with only text
// keeps the text and its end tag on its start tag's line, except that a leading space of the
// text becomes a line break plus indentation and a trailing space a line break before the end
// tag (the reader folds both back into a space).
//
// Escaping is the same for text and attribute values: & < > " ' become entity references and a
// control character other than tab, line feed and carriage return becomes "~". The writer also
// guarantees well-formed output for text that never passed the character rule: bytes that are
// not UTF-8 are written as their Latin-1 characters and U+FFFE and U+FFFF as spaces.
//
// Output is collected in chunks and handed on one chunk at a time. The first failed write is
// kept as the stream's error and nothing reaches the destination after it.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "inventory/XmlNode.h"

class XmlOutputStreamC {
 public:
  static constexpr size_t c_ChunkSize = 64 * 1024;

  XmlOutputStreamC();
  virtual ~XmlOutputStreamC() = default;
  XmlOutputStreamC(const XmlOutputStreamC&) = delete;
  XmlOutputStreamC& operator=(const XmlOutputStreamC&) = delete;

  void startDocument(const StringC& rootTag, const StringC& publicId, const StringC& systemId);
  void startObject(const StringC& tag);
  HX_NODISCARD hx::ResultT saveAttr(const StringC& name, const StringC& value);
  void saveText(const StringC& text);
  void endObject(const StringC& tag);
  // The prolog, then the root element with everything below it.
  HX_NODISCARD hx::ResultT saveObject(XmlDocumentI* document);
  // One element: start tag, the node's own saveTo, end tag.
  HX_NODISCARD hx::ResultT saveObject(XmlNodeI* node);
  // Closes a start tag left open (with its line feed) and hands on what is buffered.
  HX_NODISCARD hx::ResultT finish();
  HX_NODISCARD hx::ResultT getError() const { return error_; }

  // Append the escaped form of the text to out.
  static void escapeText(std::string_view text, std::string& out);
  static void escapeAttrVal(std::string_view value, std::string& out) { escapeText(value, out); }

 protected:
  // Writes one chunk to the destination: RC_OK or the error code of the failure.
  HX_NODISCARD virtual hx::ResultT writeChunk(const char* data, size_t size) = 0;
  void setError(hx::ResultT rc) {
    if (hx::Succeeded(error_)) error_ = rc;
  }
  HX_NODISCARD hx::ResultT flush();

 private:
  // Most pieces are a few bytes: copying them inline is what keeps the writer near the speed of
  // a plain write of the same bytes.
  void write(std::string_view bytes) {
    if (bytes.size() <= c_ChunkSize - used_) {
      std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
      used_ += bytes.size();
    } else {
      writeLarge(bytes);
    }
  }
  void writeLarge(std::string_view bytes);
  void writeEscaped(std::string_view text);
  void writeTabs(size_t count);

  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  std::string escaped_;
  hx::ResultT error_ = hx::RC_OK;
  size_t depth_ = 0;
  bool empty_ = false;      // the current element has had no text and no child yet
  bool noIndent_ = false;   // no indentation is due before the end tag
  bool startOpen_ = false;  // the start tag still lacks its ">"
};

// Writes to a standard I/O stream: a file it opens with mode "w" (and closes), or a stream it
// was given (and leaves open). Destroying it finishes the document.
class XmlStdioOutputStreamC : public XmlOutputStreamC {
 public:
  explicit XmlStdioOutputStreamC(const FileNameC& file);
  explicit XmlStdioOutputStreamC(std::FILE* stream);
  ~XmlStdioOutputStreamC() override;

  // Finishes the document and closes (or flushes) the stream; the first error of the write.
  HX_NODISCARD hx::ResultT close();

 protected:
  HX_NODISCARD hx::ResultT writeChunk(const char* data, size_t size) override;

 private:
  std::FILE* file_ = nullptr;
  bool owns_ = false;
};

// Writes the document to the file. RC_NULL_OUT when either argument is null, otherwise RC_OK
// or the error code of the first failed open, write, flush or rename.
//
// The file at the path is replaced as a whole or not at all (hx::AtomicFileC): the document
// goes to a new file beside it ("<file>.<6 characters>.tmp", created exclusively with mode
// 0666 less the process's file-creation mask), is synchronised to the disk and then renamed
// over the path. A save that fails, or a process killed while it saves, leaves the previous
// file untouched; only a killed process can leave its temporary file behind (see
// XmlRemoveStaleSaveFiles). A link at the path is replaced by the new file, never written
// through. A character device (/dev/null) is written in place, since it cannot be replaced.
HX_NODISCARD hx::ResultT XmlSaveFile(const FileNameC* file, XmlDocumentI* document);

// Removes the temporary files that saves to `file` killed part way left beside it; answers how
// many went. Only for a caller that knows no other process is saving to the same path.
size_t XmlRemoveStaleSaveFiles(const FileNameC& file);
