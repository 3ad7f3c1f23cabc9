#include "inventory/XmlBinder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "foundation/core/Format.h"
#include "foundation/process/ToolLimits.h"
#include "foundation/trace/Tracer.h"
#include "inventory/InventoryCodes.h"

namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Fills attrs from the parser's list, reusing the texts already there: an inventory has
// hundreds of thousands of elements, each with a few attributes.
void ToAttrList(const char** atts, XmlAttrListT& attrs) {
  size_t n = 0;
  for (size_t i = 0; atts != nullptr && atts[i] != nullptr && atts[i + 1] != nullptr; i += 2, ++n) {
    if (n == attrs.size()) attrs.emplace_back();
    attrs[n].first.assign(atts[i]);
    attrs[n].second.assign(atts[i + 1]);
  }
  attrs.resize(n);
}

HX_NODISCARD hx::ResultT Finish(XmlBinderC& binder, hx::ResultT rc, const char* source, XmlDocumentI** document) {
  if (hx::Succeeded(rc)) rc = binder.takeDocument(document);
  else hx::Trace(trk::c_TraceInventoryRead, "Cannot read '%1$s': %2$s\n", source, binder.errorText());
  return rc;
}

}  // namespace

XmlBinderC::XmlBinderC(XmlDocTypeHandlerI* handler) : handler_(handler) {}

XmlBinderC::~XmlBinderC() {
  for (OpenElementT& e : open_) e.node->Release();
  if (document_ != nullptr) document_->Release();
}

StringC XmlBinderC::FoldWhitespace(const StringC& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsXmlSpace(text[begin])) ++begin;
  if (begin == end) return text.empty() ? StringC() : StringC(" ");
  while (end > begin && IsXmlSpace(text[end - 1])) --end;
  StringC out;
  out.reserve(end - begin + 2);
  if (begin > 0) out += ' ';
  out.append(text, begin, end - begin);
  if (end < text.size()) out += ' ';
  return out;
}

void XmlBinderC::onStartElement(const char* name, const char** atts) {
  if (aborted()) return;
  if (handler_ == nullptr) return abort(hx::RC_INVALID_ARG, "no document type handler");
  if (open_.size() >= c_MaxDepth) return abort(hx::RC_FAIL, hx::Format("elements nested deeper than %1$d", static_cast<int>(c_MaxDepth)));
  XmlNodeI* node = nullptr;
  if (document_ == nullptr) {
    ToAttrList(atts, attrs_);
    const hx::ResultT rc = handler_->newDocument(name, attrs_, &document_);
    if (hx::Failed(rc) || document_ == nullptr)
      return abort(hx::Failed(rc) ? rc : hx::RC_FAIL, hx::Format("document element '%1$s' refused", name));
    node = document_->getNode();
    node->AddRef();
  } else {
    const hx::ResultT rc = handler_->newNode(document_, name, atts, &node);
    if (hx::Failed(rc) || node == nullptr)
      return abort(hx::Failed(rc) ? rc : hx::RC_FAIL, hx::Format("element '%1$s' refused", name));
  }
  if (!open_.empty()) open_.back().hasChildren = true;
  open_.push_back(OpenElementT{node, StringC(), false});
}

void XmlBinderC::onEndElement(const char*) {
  if (aborted() || open_.empty()) return;
  OpenElementT e = std::move(open_.back());
  open_.pop_back();
  const StringC text = FoldWhitespace(e.text);
  hx::ResultT rc = hx::RC_OK;
  if (!text.empty() && !(e.hasChildren && text == " ")) rc = e.node->addText(text);
  if (hx::Succeeded(rc) && !open_.empty())
    rc = open_.size() == 1 ? document_->addChild(e.node) : open_.back().node->addChild(e.node);
  e.node->Release();
  if (hx::Failed(rc)) abort(rc, "element not accepted by its parent");
}

void XmlBinderC::onCharacterData(const char* text, int length) {
  if (aborted() || open_.empty() || length <= 0) return;
  open_.back().text.append(text, static_cast<size_t>(length));
}

void XmlBinderC::onSkippedEntity(const char* name) {
  if (aborted() || open_.empty() || handler_ == nullptr) return;
  StringC value;
  if (hx::Succeeded(handler_->expandEntity(name, &value))) open_.back().text += value;
}

hx::ResultT XmlBinderC::takeDocument(XmlDocumentI** document) {
  if (document == nullptr) return hx::RC_INVALID_ARG;
  *document = nullptr;
  if (document_ == nullptr || !open_.empty()) return hx::RC_FAIL;
  *document = document_;
  document_ = nullptr;
  return hx::RC_OK;
}

hx::ResultT XmlBindBuffer(const char* data, size_t size, XmlDocTypeHandlerI* handler, XmlDocumentI** document) {
  if (document == nullptr) return hx::RC_NULL_OUT;
  *document = nullptr;
  if (handler == nullptr || (data == nullptr && size > 0)) return hx::RC_INVALID_ARG;
  XmlBinderC binder(handler);
  return Finish(binder, binder.parse(data, size, true), "buffer", document);
}

hx::ResultT XmlParseFile(const FileNameC& file, XmlParserC& parser, const XmlReadControlT& control, hx::UniqueFdC* keep) {
  // Only a regular file, never through a link: a document read here may end up in what the
  // run sends away (a delta's removed entities come from it).
  hx::UniqueFdC in;
  hx::ResultT rc = hx::OpenForReading(file.str(), &in);
  if (hx::Failed(rc)) {
    hx::Trace(trk::c_TraceInventoryRead, "Cannot open '%1$s': %2$s\n", file.text(), hx::Format("0x%1$08X", rc));
    return rc;
  }
  if (control.status != nullptr && ::fstat(in.get(), control.status) != 0) return hx::RcFromErrno(errno);
  constexpr size_t c_Chunk = 64 * 1024;
  std::unique_ptr<char[]> buffer(new char[c_Chunk]);
  while (hx::Succeeded(rc)) {
    // A stop signal to the program ends a long read too, within one piece of the file.
    if ((control.stop != nullptr && control.stop->load(std::memory_order_relaxed)) || hx::ToolsStopped())
      return hx::RcFromErrno(ECANCELED);
    const ssize_t n = ::read(in.get(), buffer.get(), c_Chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      rc = hx::RcFromErrno(errno);
      break;
    }
    const bool last = n == 0;
    rc = parser.parse(buffer.get(), static_cast<size_t>(n), last);
    if (last) break;
  }
  if (hx::Failed(rc)) hx::Trace(trk::c_TraceInventoryRead, "Cannot read '%1$s': %2$s\n", file.c_str(), parser.errorText());
  if (hx::Succeeded(rc) && keep != nullptr) *keep = std::move(in);
  return rc;
}

hx::ResultT XmlBindFile(const FileNameC& file, XmlDocTypeHandlerI* handler, XmlDocumentI** document,
                        const XmlReadControlT& control) {
  if (document == nullptr) return hx::RC_NULL_OUT;
  *document = nullptr;
  if (handler == nullptr) return hx::RC_INVALID_ARG;
  XmlBinderC binder(handler);
  const hx::ResultT rc = XmlParseFile(file, binder, control);
  return hx::Succeeded(rc) ? binder.takeDocument(document) : rc;
}
