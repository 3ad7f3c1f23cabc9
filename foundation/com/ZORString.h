#pragma once
// The text types of component interfaces. Interfaces pass plain zero-terminated bytes in the
// system 8-bit encoding, so that a component built elsewhere needs no knowledge of the
// program's own text type: ZORStringC is such a string with value semantics, ZORStringTC a
// temporary copy of program text for passing as a `char*` argument.

#include <cstddef>

#include "foundation/core/Text.h"

class ZORStringC {
 public:
  static constexpr long c_NotFound = -1;
  static constexpr long c_ToEnd = -1;

  ZORStringC() = default;
  explicit ZORStringC(char c);
  ZORStringC(const char* s);  // null gives the empty string
  ZORStringC(const StringC& s);  // converted to the system 8-bit encoding
  ZORStringC(const ZORStringC& o);
  ZORStringC(ZORStringC&& o) noexcept;
  ~ZORStringC();

  ZORStringC& operator=(const ZORStringC& o);
  ZORStringC& operator=(ZORStringC&& o) noexcept;

  size_t length() const { return length_; }
  size_t capacity() const { return capacity_; }
  bool isEmpty() const { return length_ == 0; }
  // Byte at i; the terminating zero at length().
  char operator[](size_t i) const { return c_str()[i]; }
  char& operator[](size_t i);
  const char* c_str() const { return data_ ? data_ : ""; }
  const char* data() const { return length_ ? data_ : nullptr; }

  // Byte positions, or c_NotFound.
  long find(char c) const;
  long rfind(char c) const;
  // c_NotFound also when `from` lies beyond the end.
  long find(const ZORStringC& s, size_t from = 0) const;
  // count c_ToEnd (or one reaching past the end) takes the rest; a start past the end gives "".
  ZORStringC substr(size_t start, long count = c_ToEnd) const;

  ZORStringC& toLower();
  ZORStringC& subst(char from, char to);
  // Removes count bytes from start (all of them by default).
  ZORStringC& erase(size_t start = 0, long count = c_ToEnd);

  ZORStringC& operator+=(char c);  // a zero byte is ignored: it would end the text
  ZORStringC& operator+=(const char* s);
  ZORStringC& operator+=(const ZORStringC& s);

  // Byte-wise ordering: <0, 0, >0.
  int compare(const char* s, size_t n) const;
  int compare(const ZORStringC& s) const { return compare(s.c_str(), s.length()); }

  operator StringC() const;  // converted from the system 8-bit encoding
  // A separate copy for callers that want a `char*` they may scribble on; the object owns it
  // and frees it with itself or on the next call. Explicit, because an implicit pointer
  // conversion beside the text conversion makes plain assignments ambiguous.
  explicit operator char*() const;

 private:
  void append(const char* s, size_t n);
  void reserveFor(size_t length);

  char* data_ = nullptr;
  size_t length_ = 0;
  size_t capacity_ = 0;  // bytes allocated, the terminating zero included
  mutable char* copy_ = nullptr;
};

ZORStringC operator+(const ZORStringC& a, const ZORStringC& b);
ZORStringC operator+(const ZORStringC& a, const char* b);
ZORStringC operator+(const char* a, const ZORStringC& b);
ZORStringC operator+(const ZORStringC& a, char c);

bool operator==(const ZORStringC& a, const ZORStringC& b);
bool operator==(const ZORStringC& a, const char* b);
inline bool operator==(const char* a, const ZORStringC& b) { return b == a; }
inline bool operator!=(const ZORStringC& a, const ZORStringC& b) { return !(a == b); }
inline bool operator!=(const ZORStringC& a, const char* b) { return !(a == b); }
inline bool operator!=(const char* a, const ZORStringC& b) { return !(b == a); }
inline bool operator<(const ZORStringC& a, const ZORStringC& b) { return a.compare(b) < 0; }
inline bool operator<=(const ZORStringC& a, const ZORStringC& b) { return a.compare(b) <= 0; }
inline bool operator>(const ZORStringC& a, const ZORStringC& b) { return a.compare(b) > 0; }
inline bool operator>=(const ZORStringC& a, const ZORStringC& b) { return a.compare(b) >= 0; }

// A zero-terminated copy of program text in the system 8-bit encoding, for `char*` arguments
// of interface operations. The copy is freed with the object unless it was made not to own it
// (or handed over with Detach), in which case the receiver frees it with free().
class ZORStringTC {
 public:
  explicit ZORStringTC(const StringC& s, bool owns = true);
  ZORStringTC(const ZORStringTC&) = delete;
  ZORStringTC& operator=(const ZORStringTC&) = delete;
  ~ZORStringTC();

  operator char*() const { return text_; }
  char* Detach();

 private:
  char* text_;
  bool owns_;
};
