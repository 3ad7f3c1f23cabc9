#pragma once
// Letter lists: the small language that switches flag-trace bits and log filter numbers on, one
// 32-bit mask per letter from "A" to "z". The flag tracer and the log filter read the same text
// the same way, so there is one parser for both.
//
//   "A"        every bit of A            "A,C-E"   every bit of A, C, D and E
//   "C-E"      every bit of C to E       "X-"      every bit of X up to z
//   "B1,3-5"   bits 1, 3, 4 and 5 of B   "B7-"     bits 7 to 31 of B
//
// Anything before the next letter is skipped. A character after "-" that is neither a letter
// nor (inside a bit selection) a digit makes the whole text invalid.

#include <array>
#include <cstdint>
#include <string_view>

#include "foundation/core/Nodiscard.h"

namespace hx {

constexpr int kFirstLetter = 'A';
constexpr int kLastLetter = 'z';
constexpr int kLetterCount = kLastLetter - kFirstLetter + 1;  // 58 masks, "A" to "z"
constexpr int kLetterBits = 32;

using LetterMasksT = std::array<uint32_t, kLetterCount>;

constexpr bool InLetterRange(int c) { return c >= kFirstLetter && c <= kLastLetter; }
constexpr int LetterIndex(int c) { return c - kFirstLetter; }

// True when `letter` is in range, `bit` is 0..31 and that bit is set in the letter's mask.
inline bool LetterBitSet(const LetterMasksT& masks, int letter, int bit) {
  return InLetterRange(letter) && bit >= 0 && bit < kLetterBits &&
         ((masks[static_cast<size_t>(LetterIndex(letter))] >> bit) & 1u) != 0;
}

// Reads `text` and sets (on) or clears (!on) the bits it names in `masks`; bits it does not name
// are left alone. Returns false when the text is invalid; the selections read before the fault
// have then been applied.
HX_NODISCARD bool ApplyLetterList(std::string_view text, bool on, LetterMasksT& masks);

}  // namespace hx
