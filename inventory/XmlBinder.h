#pragma once
// XmlBinderC: builds a document from XML through a document type handler. The first element
// becomes the document, every further element a node made by the handler; an element is
// handed to its parent when it ends, so a parent always receives finished children. Children
// of the root go to the document's addChild, deeper ones to their parent node's addChild.
//
// Character data is collected per element and folded at the element's end: a leading and a
// trailing run of white space each become one space, and white space alone becomes a single
// space (the writer's line breaks around text come back as the spaces they stood for). In an
// element that has child elements, white space alone is only the layout between the children
// and is dropped.

#include <sys/stat.h>

#include <atomic>
#include <vector>

#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "inventory/XmlNode.h"
#include "inventory/XmlParser.h"

class XmlBinderC : public XmlParserC {
 public:
  // Written documents are a few levels deep. Deeper input is refused, because every walk over
  // the tree (writing, digests, release) recurses once per level.
  static constexpr size_t c_MaxDepth = 256;

  explicit XmlBinderC(XmlDocTypeHandlerI* handler);
  ~XmlBinderC() override;

  // After the final piece parsed: the document with one reference for the caller.
  HX_NODISCARD hx::ResultT takeDocument(XmlDocumentI** document);

  // The folding rule above, for one element's collected character data.
  static StringC FoldWhitespace(const StringC& text);

 protected:
  void onStartElement(const char* name, const char** atts) override;
  void onEndElement(const char* name) override;
  void onCharacterData(const char* text, int length) override;
  void onSkippedEntity(const char* name) override;

 private:
  struct OpenElementT {
    XmlNodeI* node;  // one reference held
    StringC text;
    bool hasChildren = false;
  };

  XmlDocTypeHandlerI* handler_;
  XmlDocumentI* document_ = nullptr;  // one reference held
  std::vector<OpenElementT> open_;
  XmlAttrListT attrs_;  // the attributes of the element being started, reused
};

// What a reader of a file may ask besides the document: to end early (a read that is no longer
// needed ends with the errno code ECANCELED), and the status of the file it opened.
struct XmlReadControlT {
  const std::atomic<bool>* stop = nullptr;
  struct stat* status = nullptr;
};

// Reads the file (or buffer) into a document made by the handler. RC_OK with one reference in
// *document; the errno code when the file cannot be read; RC_FAIL for malformed XML (the reason
// goes to the trace); a handler's failure as it came.
// Feeds the file to the parser from its first byte to its last (the same rules and controls):
// RC_OK, the errno code when it cannot be read, the parser's failure. With `keep` the open
// file stays there after a read that succeeded.
HX_NODISCARD hx::ResultT XmlParseFile(const FileNameC& file, XmlParserC& parser, const XmlReadControlT& control = XmlReadControlT(),
                         hx::UniqueFdC* keep = nullptr);
HX_NODISCARD hx::ResultT XmlBindFile(const FileNameC& file, XmlDocTypeHandlerI* handler, XmlDocumentI** document,
                        const XmlReadControlT& control = XmlReadControlT());
HX_NODISCARD hx::ResultT XmlBindBuffer(const char* data, size_t size, XmlDocTypeHandlerI* handler, XmlDocumentI** document);
