#include "foundation/com/ZORGuid.h"
#include "foundation/core/Nodiscard.h"

#include <functional>

namespace {

constexpr char c_HexDigits[] = "0123456789ABCDEF";
// "{" 8 "-" 4 "-" 4 "-" 4 "-" 12 "}"
constexpr size_t c_RegistryFormLength = 38;

void AppendHex(StringC& out, uint64_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += c_HexDigits[(value >> shift) & 0xF];
}

void AppendBytes(StringC& out, const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) AppendHex(out, bytes[i], 2);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads exactly `digits` hexadecimal digits at text[pos]; no sign, prefix or blanks, which a
// scanf-style reader would let through and which no identifier we write ever contains.
HX_NODISCARD bool ReadHex(const char* text, size_t& pos, int digits, uint64_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = HexValue(text[pos]);
    if (v < 0) return false;
    value = (value << 4) | static_cast<uint64_t>(v);
    ++pos;
  }
  return true;
}

HX_NODISCARD bool Expect(const char* text, size_t& pos, char c) {
  if (text[pos] != c) return false;
  ++pos;
  return true;
}

// Parses the registry form into g; the text must end right after the closing brace.
HX_NODISCARD bool ParseRegistryForm(const char* text, ComGuidC& g) {
  size_t pos = 0;
  uint64_t v1 = 0, v2 = 0, v3 = 0, v4 = 0, v5 = 0;
  if (!Expect(text, pos, '{') || !ReadHex(text, pos, 8, v1) || !Expect(text, pos, '-') ||
      !ReadHex(text, pos, 4, v2) || !Expect(text, pos, '-') || !ReadHex(text, pos, 4, v3) ||
      !Expect(text, pos, '-') || !ReadHex(text, pos, 4, v4) || !Expect(text, pos, '-') ||
      !ReadHex(text, pos, 12, v5) || !Expect(text, pos, '}') || text[pos] != '\0') {
    return false;
  }
  g.Data1 = static_cast<uint32_t>(v1);
  g.Data2 = static_cast<uint16_t>(v2);
  g.Data3 = static_cast<uint16_t>(v3);
  g.Data4[0] = static_cast<uint8_t>(v4 >> 8);
  g.Data4[1] = static_cast<uint8_t>(v4);
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<uint8_t>(v5 >> ((5 - i) * 8));
  return true;
}

}  // namespace

ComGuidC::ComGuidC(const uint8_t* b) : ComGuidC() {
  if (b == nullptr) return;
  Data1 = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
  Data2 = static_cast<uint16_t>((b[4] << 8) | b[5]);
  Data3 = static_cast<uint16_t>((b[6] << 8) | b[7]);
  std::memcpy(Data4, b + 8, sizeof(Data4));
}

void ComGuidC::toBinary(uint8_t* out) const {
  out[0] = static_cast<uint8_t>(Data1 >> 24);
  out[1] = static_cast<uint8_t>(Data1 >> 16);
  out[2] = static_cast<uint8_t>(Data1 >> 8);
  out[3] = static_cast<uint8_t>(Data1);
  out[4] = static_cast<uint8_t>(Data2 >> 8);
  out[5] = static_cast<uint8_t>(Data2);
  out[6] = static_cast<uint8_t>(Data3 >> 8);
  out[7] = static_cast<uint8_t>(Data3);
  std::memcpy(out + 8, Data4, sizeof(Data4));
}

bool ComGuidC::IsNull() const { return guid() == GUID_NULL; }

StringC ComGuidC::ToString() const {
  StringC out;
  out.reserve(c_RegistryFormLength);
  out += '{';
  AppendHex(out, Data1, 8);
  out += '-';
  AppendHex(out, Data2, 4);
  out += '-';
  AppendHex(out, Data3, 4);
  out += '-';
  AppendBytes(out, Data4, 2);
  out += '-';
  AppendBytes(out, Data4 + 2, 6);
  out += '}';
  return out;
}

StringC ComGuidC::SqlString() const {
  StringC out = "0x";
  AppendHex(out, Data1, 8);
  AppendHex(out, Data2, 4);
  AppendHex(out, Data3, 4);
  AppendBytes(out, Data4, sizeof(Data4));
  return out;
}

StringC ComGuidC::ReportUrlString() const {
  // The memory order of the leading fields is host order; spell it out byte by byte so the
  // text is the same on either byte order: least significant byte first.
  const uint8_t d1[4] = {static_cast<uint8_t>(Data1), static_cast<uint8_t>(Data1 >> 8),
                         static_cast<uint8_t>(Data1 >> 16), static_cast<uint8_t>(Data1 >> 24)};
  const uint8_t d2[2] = {static_cast<uint8_t>(Data2), static_cast<uint8_t>(Data2 >> 8)};
  const uint8_t d3[2] = {static_cast<uint8_t>(Data3), static_cast<uint8_t>(Data3 >> 8)};
  StringC out;
  AppendBytes(out, d1, 4);
  out += '-';
  AppendBytes(out, d2, 2);
  out += '-';
  AppendBytes(out, d3, 2);
  out += '-';
  AppendBytes(out, Data4, 2);
  out += '-';
  AppendBytes(out, Data4 + 2, 6);
  return out;
}

hx::ResultT ComGuidC::fromSys8(const char* text) {
  ComGuidC parsed;
  if (text == nullptr || !ParseRegistryForm(text, parsed)) {
    SetNull();
    return hx::RC_INVALID_ARG;
  }
  *this = parsed;
  return hx::RC_OK;
}

hx::ResultT ComGuidC::fromString(const StringC& text) {
  const std::string sys8 = hx::Utf8ToSys8(text);
  if (sys8.find('\0') != std::string::npos) {
    SetNull();
    return hx::RC_INVALID_ARG;
  }
  return fromSys8(sys8.c_str());
}

size_t ComGuidHashC::operator()(const ZORGUID& g) const {
  return std::hash<std::string>()(ComGuidC(g).ToString());
}
