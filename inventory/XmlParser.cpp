#include "inventory/XmlParser.h"

#include <climits>

#include "foundation/core/Format.h"

XmlParserC::XmlParserC() : parser_(XML_ParserCreate("UTF-8")) {
  if (parser_ == nullptr) return;
  XML_SetUserData(parser_, this);
  XML_SetElementHandler(parser_, &StartElement, &EndElement);
  XML_SetCharacterDataHandler(parser_, &CharacterData);
  XML_SetSkippedEntityHandler(parser_, &SkippedEntity);
  XML_SetEntityDeclHandler(parser_, &EntityDecl);
  XML_SetAttlistDeclHandler(parser_, &AttlistDecl);
  XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlParserC::~XmlParserC() {
  if (parser_ != nullptr) XML_ParserFree(parser_);
}

hx::ResultT XmlParserC::parse(const char* data, size_t size, bool final) {
  if (parser_ == nullptr) return hx::RC_NO_RESOURCE;
  if (failed_) return hx::Failed(abortRc_) ? abortRc_ : hx::RC_FAIL;
  // expat takes an int length: hand over very large buffers in pieces.
  constexpr size_t kPiece = static_cast<size_t>(INT_MAX / 2);
  do {
    const size_t n = size < kPiece ? size : kPiece;
    const bool last = final && n == size;
    fed_ += n;
    failed_ = XML_Parse(parser_, data, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK;
    if (!failed_ && !last) CheckPendingToken();
    if (failed_) return hx::Failed(abortRc_) ? abortRc_ : hx::RC_FAIL;
    data += n;
    size -= n;
  } while (size > 0);
  return hx::RC_OK;
}

void XmlParserC::CheckPendingToken() {
  // After a piece, the position of the last event is the start of what expat keeps back: the
  // unfinished token (character data and white space are handed over up to the piece's end).
  // (A parser that does not know the position holds nothing back for the check to measure.)
  const XML_Index at = XML_GetCurrentByteIndex(parser_);
  if (at < 0 || fed_ - static_cast<uint64_t>(at) <= c_MaxTokenBytes) return;
  abortRc_ = hx::RC_FAIL;
  abortWhy_ = hx::Format("markup longer than %1$lu bytes refused", static_cast<unsigned long>(c_MaxTokenBytes));
  failed_ = true;
}

StringC XmlParserC::errorText() const {
  if (parser_ == nullptr) return "no XML parser";
  const XML_LChar* expatText = XML_ErrorString(XML_GetErrorCode(parser_));
  const StringC what = !abortWhy_.empty() ? abortWhy_ : StringC(expatText ? expatText : "no error");
  return hx::Format("%1$s at line %2$lu, column %3$lu", what, static_cast<unsigned long>(XML_GetCurrentLineNumber(parser_)),
                    static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser_)));
}

uint64_t XmlParserC::eventOffset() const {
  const XML_Index at = XML_GetCurrentByteIndex(parser_);
  return at < 0 ? 0 : static_cast<uint64_t>(at);
}

size_t XmlParserC::eventLength() const {
  const int n = XML_GetCurrentByteCount(parser_);
  return n < 0 ? 0 : static_cast<size_t>(n);
}

void XmlParserC::ignoreCharacterData() {
  if (parser_ != nullptr) XML_SetCharacterDataHandler(parser_, nullptr);
}

void XmlParserC::abort(hx::ResultT rc, const StringC& why) {
  if (hx::Succeeded(abortRc_)) {
    abortRc_ = rc;
    abortWhy_ = why;
  }
  XML_StopParser(parser_, XML_FALSE);
}

void XMLCALL XmlParserC::StartElement(void* self, const XML_Char* name, const XML_Char** atts) {
  auto* me = static_cast<XmlParserC*>(self);
  // A start tag that came in one piece was not held back; its length is known only here.
  if (static_cast<size_t>(XML_GetCurrentByteCount(me->parser_)) > c_MaxTokenBytes)
    return me->abort(hx::RC_FAIL, hx::Format("start tag '%1$.64s' longer than %2$lu bytes refused", name,
                                             static_cast<unsigned long>(c_MaxTokenBytes)));
  size_t n = 0;
  while (atts[2 * n] != nullptr) ++n;
  if (n > c_MaxAttributes)
    return me->abort(hx::RC_FAIL, hx::Format("element '%1$.64s' with %2$lu attributes refused (at most %3$lu)", name,
                                             static_cast<unsigned long>(n), static_cast<unsigned long>(c_MaxAttributes)));
  me->onStartElement(name, atts);
}

void XMLCALL XmlParserC::EndElement(void* self, const XML_Char* name) {
  static_cast<XmlParserC*>(self)->onEndElement(name);
}

void XMLCALL XmlParserC::CharacterData(void* self, const XML_Char* s, int len) {
  static_cast<XmlParserC*>(self)->onCharacterData(s, len);
}

void XMLCALL XmlParserC::SkippedEntity(void* self, const XML_Char* name, int isParameterEntity) {
  if (!isParameterEntity) static_cast<XmlParserC*>(self)->onSkippedEntity(name);
}

void XMLCALL XmlParserC::EntityDecl(void* self, const XML_Char* name, int, const XML_Char*, int, const XML_Char*,
                                    const XML_Char*, const XML_Char*, const XML_Char*) {
  static_cast<XmlParserC*>(self)->abort(hx::RC_FAIL, hx::Format("entity declaration '%1$.64s' refused", name));
}

void XMLCALL XmlParserC::AttlistDecl(void* self, const XML_Char* element, const XML_Char* name, const XML_Char*,
                                     const XML_Char*, int) {
  static_cast<XmlParserC*>(self)->abort(hx::RC_FAIL, hx::Format("attribute declaration '%1$.64s' of '%2$.64s' refused", name, element));
}
