#include "foundation/core/Nodiscard.h"

#include "foundation/trace/LetterMasks.h"

namespace hx {
namespace {

constexpr uint32_t kAllBits = 0xFFFFFFFFu;
constexpr int kHighestBit = kLetterBits - 1;
constexpr int kNumberCap = 1000000;  // beyond any bit; keeps long digit runs from overflowing

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void ApplyMask(LetterMasksT& masks, char letter, uint32_t bits, bool on) {
  uint32_t& m = masks[static_cast<size_t>(LetterIndex(letter))];
  m = on ? (m | bits) : (m & ~bits);
}

void ApplyLetters(LetterMasksT& masks, char from, char to, bool on) {
  for (int c = from; c <= to; ++c) ApplyMask(masks, static_cast<char>(c), kAllBits, on);
}

// Bits from..to (inclusive) that fall into a 32-bit mask.
uint32_t BitRange(int from, int to) {
  if (to > kHighestBit) to = kHighestBit;
  if (from > to) return 0;
  uint32_t bits = 0;
  for (int b = from; b <= to; ++b) bits |= 1u << b;
  return bits;
}

int ReadNumber(std::string_view text, size_t& i) {
  int v = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (v < kNumberCap) v = v * 10 + (text[i] - '0');
    ++i;
  }
  return v;
}

// Reads the bit selection of `letter` starting at a digit; i is left after it. False when a
// "-" is followed by something that is neither a digit, a letter nor the end.
HX_NODISCARD bool ReadBits(std::string_view text, size_t& i, char letter, bool on, LetterMasksT& masks) {
  while (true) {
    const int from = ReadNumber(text, i);
    int to = from;
    if (i < text.size() && text[i] == '-') {
      ++i;
      if (i < text.size() && IsDigit(text[i])) {
        to = ReadNumber(text, i);
      } else if (i == text.size() || IsLetter(text[i])) {
        to = kHighestBit;  // open range: up to the highest bit
      } else {
        return false;
      }
    }
    ApplyMask(masks, letter, BitRange(from, to), on);
    if (i + 1 < text.size() && text[i] == ',' && IsDigit(text[i + 1])) {
      ++i;
      continue;
    }
    return true;
  }
}

}  // namespace

bool ApplyLetterList(std::string_view text, bool on, LetterMasksT& masks) {
  size_t i = 0;
  while (i < text.size()) {
    const char letter = text[i++];
    if (!IsLetter(letter)) continue;
    if (i < text.size() && text[i] == '-') {
      ++i;
      if (i == text.size()) {
        ApplyLetters(masks, letter, static_cast<char>(kLastLetter), on);
        break;
      }
      const char last = text[i++];
      if (!IsLetter(last)) return false;
      ApplyLetters(masks, letter, last, on);
    } else if (i < text.size() && IsDigit(text[i])) {
      if (!ReadBits(text, i, letter, on, masks)) return false;
    } else {
      ApplyLetters(masks, letter, letter, on);
    }
  }
  return true;
}

}  // namespace hx
