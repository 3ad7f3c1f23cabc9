#include <gtest/gtest.h>

#include "foundation/com/ZORGuid.h"

namespace {

struct GuidFormsT { ZORGUID guid; const char* registry; const char* sql; const char* reportUrl; };

TEST(ComGuid, TextFormsOfKnownIdentifiers) {
  const GuidFormsT cases[] = {
      {IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}",
       "0x0000000100000000C000000000000046", "01000000-0000-0000-C000-000000000046"},
      {IID_ComRegistry, "{FA199261-85EB-11D3-9C01-004005E12D13}",
       "0xFA19926185EB11D39C01004005E12D13", "619219FA-EB85-D311-9C01-004005E12D13"},
      {IID_ComNameRegistry, "{81707A51-8504-11D3-9C00-004005E12D13}",
       "0x81707A51850411D39C00004005E12D13", "517A7081-0485-D311-9C00-004005E12D13"},
      {GUID_NULL, "{00000000-0000-0000-0000-000000000000}",
       "0x00000000000000000000000000000000", "00000000-0000-0000-0000-000000000000"},
  };
  for (const auto& c : cases) {
    const ComGuidC g(c.guid);
    EXPECT_EQ(StringC(g), c.registry);
    EXPECT_EQ(g.SqlString(), c.sql);
    EXPECT_EQ(g.ReportUrlString(), c.reportUrl);
  }
}

TEST(ComGuid, ParsesRegistryFormInEitherCase) {
  const struct { const char* text; const char* canonical; } cases[] = {
      {"{12345678-1234-1234-1234-123456789abc}", "{12345678-1234-1234-1234-123456789ABC}"},
      {"{FA199261-85eb-11d3-9C01-004005e12d13}", "{FA199261-85EB-11D3-9C01-004005E12D13}"},
      {"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
  };
  for (const auto& c : cases) {
    ComGuidC g;
    EXPECT_EQ(g.fromSys8(c.text), hx::RC_OK) << c.text;
    EXPECT_EQ(g.ToString(), c.canonical);
    ComGuidC viaText;
    EXPECT_EQ(viaText.fromString(c.text), hx::RC_OK);
    EXPECT_TRUE(viaText == g);
  }
  ComGuidC known;
  ASSERT_EQ(known.fromSys8("{00000000-0000-0000-C000-000000000046}"), hx::RC_OK);
  EXPECT_TRUE(known == IID_IUnknown);
}

TEST(ComGuid, MalformedTextGivesNullAndInvalidArgument) {
  const char* cases[] = {
      "",
      "12345678-1234-1234-1234-123456789abc",     // no braces
      "{12345678-1234-1234-1234-123456789abc",    // no closing brace
      "{12345678-1234-1234-1234-123456789abc}x",  // trailing text
      " {12345678-1234-1234-1234-123456789abc}",  // leading blank
      "{ 2345678-1234-1234-1234-123456789abc}",   // blank inside a field
      "{1234567-1234-1234-1234-123456789abcd}",   // field widths shifted
      "{12345678-1234-1234-12-34123456789abc}",   // hyphen inside the 8 bytes
      "{12345678-1234-1234-1234-123456789ab}",    // one digit short
      "{12345678-1234-1234-1234-123456789abcd}",  // one digit too many
      "{0x345678-1234-1234-1234-123456789abc}",   // hexadecimal prefix
      "{+2345678-1234-1234-1234-123456789abc}",   // sign
      "{12345678-1234-1234-1234-12345678gabc}",   // not a digit
      "{12345678_1234_1234_1234_123456789abc}",   // wrong separators
      "(12345678-1234-1234-1234-123456789abc)",   // wrong brackets
  };
  for (const char* text : cases) {
    ComGuidC g(IID_ComRegistry);
    EXPECT_EQ(g.fromSys8(text), hx::RC_INVALID_ARG) << text;
    EXPECT_TRUE(g.IsNull()) << text;
  }
  ComGuidC g(IID_ComRegistry);
  EXPECT_EQ(g.fromSys8(nullptr), hx::RC_INVALID_ARG);
  EXPECT_TRUE(g.IsNull());
  // A zero byte hidden behind a valid identifier must not let the rest through.
  g = IID_ComRegistry;
  EXPECT_EQ(g.fromString(StringC("{12345678-1234-1234-1234-123456789ABC}") + '\0' + "junk"), hx::RC_INVALID_ARG);
  EXPECT_TRUE(g.IsNull());
}

// The binary form is the fields in network order, as they stand in the registry form.
TEST(ComGuid, NetworkBytesRoundTrip) {
  const uint8_t bytes[ComGuidC::c_BinarySize] = {0xFA, 0x19, 0x92, 0x61, 0x85, 0xEB, 0x11, 0xD3,
                                                 0x9C, 0x01, 0x00, 0x40, 0x05, 0xE1, 0x2D, 0x13};
  const ComGuidC g(bytes);
  EXPECT_TRUE(g == IID_ComRegistry);
  uint8_t out[ComGuidC::c_BinarySize] = {};
  g.toBinary(out);
  EXPECT_EQ(0, std::memcmp(out, bytes, sizeof(bytes)));
  ComGuidC other(g);
  other.Data4[7] ^= 1;  // equality looks at the last byte too
  EXPECT_FALSE(other == g);
}

}  // namespace
