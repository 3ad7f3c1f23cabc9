#pragma once
// XmlParserC: the expat parser as the inventory reader uses it. A derived class receives the
// elements, character data and references to undeclared entities through its callbacks.
//
// A file that is read is never trusted to fetch or expand anything: external entities and the
// external DTD subset are not loaded (the DOCTYPE's DTD location is only a name), and any entity
// or attribute-list declaration ends the parse with a failure, so that no document can make the
// parser build up large replacement texts or default attributes; inventories declare neither.
//
// Nor is a document trusted to be of a sensible shape: the documents read here (inventories of
// other machines among them) may be made to cost time and memory out of all proportion to their
// size, and the bounds below refuse them first. No document written by a program comes near them.

#include <expat.h>

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

class XmlParserC {
 public:
  // The longest markup token (a start tag with its attributes, a comment, a declaration). expat
  // reads an unfinished token again from its start whenever more input comes, so a token spread
  // over many pieces costs the square of its length; one longer than this is refused as soon as
  // that much of it is waiting. The longest real one is a start tag holding a path (at most
  // 4096 bytes, six when escaped) or a value a tool printed: a few tens of KiB at the very most.
  // Character data is not a token: expat hands it over piece by piece, whatever its length.
  static constexpr size_t c_MaxTokenBytes = 1024 * 1024;
  // Attributes of one element: a written element carries at most about a dozen.
  static constexpr size_t c_MaxAttributes = 256;

  XmlParserC();
  virtual ~XmlParserC();
  XmlParserC(const XmlParserC&) = delete;
  XmlParserC& operator=(const XmlParserC&) = delete;

  // Feeds the next piece of the document (final for the last, possibly empty, piece). RC_OK, a
  // callback's failure, or RC_FAIL for a document that is not well-formed or is past a bound
  // above. After a failure the parser takes nothing more.
  HX_NODISCARD hx::ResultT parse(const char* data, size_t size, bool final);
  // What went wrong, with line and column, for the trace.
  StringC errorText() const;

 protected:
  // atts: name, value, name, value, ..., null, in document order.
  virtual void onStartElement(const char* name, const char** atts) = 0;
  virtual void onEndElement(const char* name) = 0;
  virtual void onCharacterData(const char* text, int length) = 0;
  virtual void onSkippedEntity(const char* name) = 0;
  // Ends the parse from a callback with the given failure.
  void abort(hx::ResultT rc, const StringC& why);
  // A callback may still follow an abort; it must then do nothing.
  bool aborted() const { return hx::Failed(abortRc_); }
  // Where the markup of the event being handled lies in the input: its first byte, counted from
  // the start of the document, and its length. The end of an element written as one empty tag
  // has length 0 at the tag's end.
  uint64_t eventOffset() const;
  size_t eventLength() const;
  // For a reader that has no use for character data: onCharacterData is no longer called.
  void ignoreCharacterData();

 private:
  static void XMLCALL StartElement(void* self, const XML_Char* name, const XML_Char** atts);
  static void XMLCALL EndElement(void* self, const XML_Char* name);
  static void XMLCALL CharacterData(void* self, const XML_Char* s, int len);
  static void XMLCALL SkippedEntity(void* self, const XML_Char* name, int isParameterEntity);
  static void XMLCALL EntityDecl(void* self, const XML_Char* name, int isParameterEntity, const XML_Char* value,
                                 int valueLength, const XML_Char* base, const XML_Char* systemId,
                                 const XML_Char* publicId, const XML_Char* notationName);
  static void XMLCALL AttlistDecl(void* self, const XML_Char* element, const XML_Char* name, const XML_Char* type,
                                  const XML_Char* defaultValue, int isRequired);
  // Refuses the document when more than c_MaxTokenBytes of an unfinished token wait for the
  // next piece.
  void CheckPendingToken();

  XML_Parser parser_;
  hx::ResultT abortRc_ = hx::RC_OK;
  StringC abortWhy_;
  bool failed_ = false;
  uint64_t fed_ = 0;  // bytes handed to expat so far
};
