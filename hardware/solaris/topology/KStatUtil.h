#pragma once
// KStatUtilC: a named kernel statistic's value as the providers use it. Statistics keep their
// values as the text the source gave (platform/KStat.h): a character array or string as it
// was, a number in decimal.

#include <cstdint>

#include "foundation/core/Text.h"

class KStatUtilC {
 public:
  // The value as text: made well-formed UTF-8 (a character array may hold any byte) and
  // trimmed of white space, so a Revision of "0006 " is "0006".
  static StringC knamedAsString(const StringC& value);
  // The value as a number: the leading decimal number of the trimmed text, with its sign; 0
  // when there is none (so "0006" is 6, "2533 MHz" is 2533).
  static int64_t knamedAsInt(const StringC& value);
};
