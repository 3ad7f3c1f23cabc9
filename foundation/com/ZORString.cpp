#include "foundation/com/ZORString.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr size_t c_CapacityStep = 8;

char* CopyOf(const char* s, size_t n) {
  char* p = static_cast<char*>(std::malloc(n + 1));
  if (p == nullptr) std::abort();  // out of memory: nothing sensible is left to do
  if (n) std::memcpy(p, s, n);
  p[n] = '\0';
  return p;
}

}  // namespace

ZORStringC::ZORStringC(char c) { *this += c; }

ZORStringC::ZORStringC(const char* s) {
  if (s) append(s, std::strlen(s));
}

ZORStringC::ZORStringC(const StringC& s) {
  const std::string sys8 = hx::Utf8ToSys8(s);
  // Stops at an embedded zero byte, as every reader of the zero-terminated text would.
  append(sys8.c_str(), std::strlen(sys8.c_str()));
}

ZORStringC::ZORStringC(const ZORStringC& o) { append(o.c_str(), o.length_); }

ZORStringC::ZORStringC(ZORStringC&& o) noexcept
    : data_(std::exchange(o.data_, nullptr)),
      length_(std::exchange(o.length_, 0)),
      capacity_(std::exchange(o.capacity_, 0)) {}

ZORStringC::~ZORStringC() {
  std::free(data_);
  std::free(copy_);
}

ZORStringC& ZORStringC::operator=(const ZORStringC& o) {
  if (this != &o) {
    length_ = 0;
    if (data_) data_[0] = '\0';
    append(o.c_str(), o.length_);
  }
  return *this;
}

ZORStringC& ZORStringC::operator=(ZORStringC&& o) noexcept {
  if (this != &o) {
    std::free(data_);
    data_ = std::exchange(o.data_, nullptr);
    length_ = std::exchange(o.length_, 0);
    capacity_ = std::exchange(o.capacity_, 0);
  }
  return *this;
}

char& ZORStringC::operator[](size_t i) {
  if (data_ == nullptr) reserveFor(0);
  return data_[i];
}

void ZORStringC::reserveFor(size_t length) {
  if (data_ != nullptr && length < capacity_) return;
  // Doubling keeps appends amortised; the rounded length keeps room for the terminator.
  const size_t wanted = std::max(capacity_ * 2, (length / c_CapacityStep) * c_CapacityStep + c_CapacityStep);
  char* grown = static_cast<char*>(std::realloc(data_, wanted));
  if (grown == nullptr) std::abort();
  if (data_ == nullptr) grown[0] = '\0';
  data_ = grown;
  capacity_ = wanted;
}

void ZORStringC::append(const char* s, size_t n) {
  // s may point into our own buffer (s += s), which growing may move.
  const bool own = data_ != nullptr && s >= data_ && s < data_ + capacity_;
  const size_t offset = own ? static_cast<size_t>(s - data_) : 0;
  reserveFor(length_ + n);
  if (own) s = data_ + offset;
  if (n) std::memmove(data_ + length_, s, n);
  length_ += n;
  data_[length_] = '\0';
}

long ZORStringC::find(char c) const {
  const void* p = length_ ? std::memchr(data_, c, length_) : nullptr;
  return p ? static_cast<const char*>(p) - data_ : c_NotFound;
}

long ZORStringC::rfind(char c) const {
  for (size_t i = length_; i > 0; --i) {
    if (data_[i - 1] == c) return static_cast<long>(i - 1);
  }
  return c_NotFound;
}

long ZORStringC::find(const ZORStringC& s, size_t from) const {
  if (from > length_) return c_NotFound;
  const std::string_view hay(c_str(), length_);
  const size_t pos = hay.find(std::string_view(s.c_str(), s.length_), from);
  return pos == std::string_view::npos ? c_NotFound : static_cast<long>(pos);
}

ZORStringC ZORStringC::substr(size_t start, long count) const {
  ZORStringC out;
  if (start >= length_) return out;
  const size_t rest = length_ - start;
  const size_t n = (count < 0 || static_cast<size_t>(count) > rest) ? rest : static_cast<size_t>(count);
  out.append(data_ + start, n);
  return out;
}

ZORStringC& ZORStringC::toLower() {
  for (size_t i = 0; i < length_; ++i) data_[i] = hx::AsciiLower(data_[i]);
  return *this;
}

ZORStringC& ZORStringC::subst(char from, char to) {
  for (size_t i = 0; i < length_; ++i) {
    if (data_[i] == from) data_[i] = to;
  }
  // Substituting a zero byte in shortens the text to what a reader of it would see.
  if (to == '\0') length_ = std::strlen(c_str());
  return *this;
}

ZORStringC& ZORStringC::erase(size_t start, long count) {
  if (start >= length_) return *this;
  const size_t rest = length_ - start;
  const size_t n = (count < 0 || static_cast<size_t>(count) > rest) ? rest : static_cast<size_t>(count);
  std::memmove(data_ + start, data_ + start + n, rest - n);
  length_ -= n;
  data_[length_] = '\0';
  return *this;
}

ZORStringC& ZORStringC::operator+=(char c) {
  if (c != '\0') append(&c, 1);
  return *this;
}

ZORStringC& ZORStringC::operator+=(const char* s) {
  if (s) append(s, std::strlen(s));
  return *this;
}

ZORStringC& ZORStringC::operator+=(const ZORStringC& s) {
  append(s.c_str(), s.length_);
  return *this;
}

int ZORStringC::compare(const char* s, size_t n) const {
  const size_t common = std::min(length_, n);
  const int c = common ? std::memcmp(data_, s, common) : 0;
  if (c != 0) return c;
  if (length_ == n) return 0;
  return length_ < n ? -1 : 1;
}

ZORStringC::operator StringC() const { return hx::Sys8ToUtf8(std::string_view(c_str(), length_)); }

ZORStringC::operator char*() const {
  std::free(copy_);
  copy_ = CopyOf(c_str(), length_);
  return copy_;
}

ZORStringC operator+(const ZORStringC& a, const ZORStringC& b) {
  ZORStringC out(a);
  out += b;
  return out;
}

ZORStringC operator+(const ZORStringC& a, const char* b) {
  ZORStringC out(a);
  out += b;
  return out;
}

ZORStringC operator+(const char* a, const ZORStringC& b) {
  ZORStringC out(a);
  out += b;
  return out;
}

ZORStringC operator+(const ZORStringC& a, char c) {
  ZORStringC out(a);
  out += c;
  return out;
}

bool operator==(const ZORStringC& a, const ZORStringC& b) {
  return a.length() == b.length() && a.compare(b) == 0;
}

bool operator==(const ZORStringC& a, const char* b) {
  const char* s = b ? b : "";
  return a.compare(s, std::strlen(s)) == 0;
}

ZORStringTC::ZORStringTC(const StringC& s, bool owns) : owns_(owns) {
  const std::string sys8 = hx::Utf8ToSys8(s);
  text_ = CopyOf(sys8.c_str(), std::strlen(sys8.c_str()));
}

ZORStringTC::~ZORStringTC() {
  if (owns_) std::free(text_);
}

char* ZORStringTC::Detach() {
  owns_ = false;
  return text_;
}
