#pragma once
// Identifiers of component interfaces and classes. ZORGUID is the plain 16-byte layout that
// crosses component interfaces (a 32-bit field, two 16-bit fields and 8 bytes, in host byte
// order); ComGuidC is the value class over the same layout with the text and binary forms
// that configuration, reports and the database use.

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

struct ZORGUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(ZORGUID) == 16, "ZORGUID must be exactly 16 bytes");

inline bool operator==(const ZORGUID& a, const ZORGUID& b) {
  return std::memcmp(&a, &b, sizeof(ZORGUID)) == 0;
}
inline bool operator!=(const ZORGUID& a, const ZORGUID& b) { return !(a == b); }

class ComGuidC : public ZORGUID {
 public:
  static constexpr size_t c_BinarySize = 16;

  ComGuidC() : ZORGUID{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}} {}
  ComGuidC(const ZORGUID& g) : ZORGUID(g) {}
  ComGuidC(uint32_t d1, uint16_t d2, uint16_t d3, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3,
           uint8_t b4, uint8_t b5, uint8_t b6, uint8_t b7)
      : ZORGUID{d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}} {}
  // From the 16-byte network form: the three leading fields big-endian, the 8 bytes as they are.
  explicit ComGuidC(const uint8_t* networkBytes);

  ComGuidC& operator=(const ZORGUID& g) {
    static_cast<ZORGUID&>(*this) = g;
    return *this;
  }

  // Writes the 16-byte network form (the inverse of the byte constructor).
  void toBinary(uint8_t* out) const;
  const ZORGUID& guid() const { return *this; }

  bool IsNull() const;
  void SetNull() { *this = ComGuidC(); }

  // Registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case digits.
  StringC ToString() const;
  operator StringC() const { return ToString(); }
  // "0x" and the 32 digits in field order, for database keys.
  StringC SqlString() const;
  // The 16 bytes in memory order, grouped 4-2-2-2-6, as report links carry them.
  StringC ReportUrlString() const;

  // Accepts exactly the registry form (digits in either case). Anything else sets the null
  // identifier and answers RC_INVALID_ARG.
  HX_NODISCARD hx::ResultT fromSys8(const char* text);
  // The same for program text; a text with an embedded zero byte does not parse.
  HX_NODISCARD hx::ResultT fromString(const StringC& text);
};

// Hash over the registry text form, for tables keyed by identifier.
struct ComGuidHashC {
  size_t operator()(const ZORGUID& g) const;
};

// The well-known identifiers. Namespace-scope constants, not inline variables: those would
// become process-unique symbols in every component module and keep it from being unloaded.
constexpr ZORGUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr ZORGUID IID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                         {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr ZORGUID IID_IClassFactory = {0x00000001, 0x0000, 0x0000,
                                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr ZORGUID IID_ComRegistry = {0xFA199261, 0x85EB, 0x11D3,
                                            {0x9C, 0x01, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
constexpr ZORGUID IID_ComNameRegistry = {0x81707A51, 0x8504, 0x11D3,
                                                {0x9C, 0x00, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13}};
