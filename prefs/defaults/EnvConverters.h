#pragma once
// The small string converters of the preference layer. Each is a function object; those that
// compare with or append a fixed text take it at construction.

#include <cstdint>

#include "foundation/core/Text.h"

// "True" or "Yes" give true, "False" or "No" give false (any case); anything else the default.
struct env_FunStrToBoolC {
  bool operator()(const StringC& text, bool dflt) const;
};
// "True" or "False".
struct env_FunBoolToStrC {
  StringC operator()(bool value) const;
};
// True when every character is a decimal digit; the empty text counts as an integer.
struct env_FunIsIntegerC {
  bool operator()(const StringC& text) const;
};
// The decimal value; the default for an empty text, one that is not all digits, or one too
// large for the type.
struct env_FunStrToIntC {
  long operator()(const StringC& text, long dflt) const;
};
// Decimal text of an integer.
struct env_IntToStrC {
  StringC operator()(long value) const;
};
// Copies the text with the escape character before each character of `set`.
struct env_FunEscapeC {
  StringC operator()(const StringC& text, const StringC& set, char escape) const;
};
// Copies the text with each character of `set` replaced by the escape character and two
// lower-case hexadecimal digits of its code.
struct env_FunAsciiEscapeC {
  StringC operator()(const StringC& text, const StringC& set, char escape) const;
};
struct env_FunToLower {
  StringC operator()(const StringC& text) const;
};
struct env_FunStrInStr {
  bool operator()(const StringC& text, const StringC& part) const;
};
// Every occurrence of `from` (not empty) replaced by `to`.
struct env_FunReplaceInStr {
  StringC operator()(const StringC& text, const StringC& from, const StringC& to) const;
};

// Compare a value with the text given at construction, or append that text to a value.
class env_FunStrCmpEqC {
 public:
  explicit env_FunStrCmpEqC(StringC text) : text_(std::move(text)) {}
  bool operator()(const StringC& value) const { return value == text_; }

 private:
  StringC text_;
};
class env_FunStrCmpLtC {
 public:
  explicit env_FunStrCmpLtC(StringC text) : text_(std::move(text)) {}
  bool operator()(const StringC& value) const { return value < text_; }

 private:
  StringC text_;
};
class env_FunStrCmpGtC {
 public:
  explicit env_FunStrCmpGtC(StringC text) : text_(std::move(text)) {}
  bool operator()(const StringC& value) const { return value > text_; }

 private:
  StringC text_;
};
class env_FunStrAppendC {
 public:
  explicit env_FunStrAppendC(StringC text) : text_(std::move(text)) {}
  StringC operator()(const StringC& value) const { return value + text_; }

 private:
  StringC text_;
};
