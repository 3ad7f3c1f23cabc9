#include <gtest/gtest.h>

#include "foundation/messages/CatalogCompiler.h"

namespace {

using hx::CatalogEntryT;

std::string Compile(const std::string& source) {
  std::string image, error;
  EXPECT_TRUE(hx::CompileCatalog(source, image, error)) << error;
  return image;
}

std::string Dump(const std::string& image) {
  std::string source, error;
  EXPECT_TRUE(hx::DumpCatalog(image, source, error)) << error;
  return source;
}

TEST(MessagesCompiler, ImageLayoutIsBigEndianAndSorted) {
  const std::string image = Compile("2 1 cd\n1 0x102 ab\n");
  const std::string want = std::string("kwixcatf") +
                           std::string("\x00\x00\x00\x02", 4) +
                           // set 1, length 2, number 0x102, offset 36
                           std::string("\x00\x01\x00\x02\x00\x00\x01\x02\x00\x00\x00\x24", 12) +
                           // set 2, length 2, number 1, offset 38
                           std::string("\x00\x02\x00\x02\x00\x00\x00\x01\x00\x00\x00\x26", 12) + "abcd";
  EXPECT_EQ(image, want);
}

// Compiling and dumping: the dump is the canonical source (sorted, decimal, escaped), and it
// compiles back to the same image.
TEST(MessagesCompiler, RoundTrip) {
  struct Case { const char* source; const char* dump; };
  const Case cases[] = {
      {"189 10 Inventory tracking started\n", "189 10 Inventory tracking started\n"},
      {"0xBD 0x0A \\x01\\x01i\\x01Started %1$s\n", "189 10 \\x01\\x01i\\x01Started %1$s\n"},
      {"189 10 \\1\\1w\\1Careful\n", "189 10 \\x01\\x01w\\x01" "Careful\n"},
      {"1 1 tab\\there\\nnew line\\\\back\\r\n", "1 1 tab\\there\\nnew line\\\\back\\r\n"},
      {"1 1 \\x20leading and trailing\\x20\n", "1 1 \\x20leading and trailing\\x20\n"},
      {"1 1 inner  spaces kept\n", "1 1 inner  spaces kept\n"},
      {"1 1 Gr\xc3\xb6\xc3\x9f" "e\n", "1 1 Gr\xc3\xb6\xc3\x9f" "e\n"},
      {"1 1 \\x7f\\x1b\\0\n", "1 1 \\x7F\\x1B\\x00\n"},
      {"1 1\n1 2 \t\n", "1 1\n1 2\n"},
      {"# header\n\n  # indented comment\r\n3 3 c\r\n2 2 b\n1 1 a", "1 1 a\n2 2 b\n3 3 c\n"},
      {"4095 65535 top\n0 0 bottom\n", "0 0 bottom\n4095 65535 top\n"},
      {"", ""},
  };
  for (const Case& c : cases) {
    const std::string image = Compile(c.source);
    const std::string dumped = Dump(image);
    EXPECT_EQ(dumped, c.dump) << c.source;
    EXPECT_EQ(Compile(dumped), image) << c.source;
  }
}

TEST(MessagesCompiler, SourceErrorsNameTheLine) {
  struct Case { std::string source; const char* error; };
  const Case cases[] = {
      {"189\n", "line 1: expected 'set number text'"},
      {"# ok\nx 1 a\n", "line 2: bad set number 'x'"},
      {"1 1y a\n", "line 1: bad message number '1y'"},
      {"-1 1 a\n", "line 1: bad set number '-1'"},
      {"0x 1 a\n", "line 1: bad set number '0x'"},
      {"4096 1 a\n", "line 1: bad set number '4096' (0 to 4095)"},
      {"1 65536 a\n", "line 1: bad message number '65536' (0 to 65535)"},
      {"1 99999999999999999999999 a\n", "line 1: bad message number"},
      {"1 1 a\\q\n", "line 1: unknown escape '\\q'"},
      {"1 1 a\\\n", "line 1: text ends with a lone backslash"},
      {"1 1 \\xg\n", "line 1: escape '\\x' without hexadecimal digits"},
      {"1 1 \\777\n", "line 1: escape value 511 does not fit in a byte"},
      {"1 1 a\n\n0x1 0x1 b\n", "line 3: duplicate message 1 1 (first on line 1)"},
      {"1 1 " + std::string(65536, 'x') + "\n", "line 1: text of 65536 bytes is longer than 65535"},
  };
  for (const Case& c : cases) {
    std::string image = "untouched", error;
    EXPECT_FALSE(hx::CompileCatalog(c.source, image, error)) << c.error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
    EXPECT_EQ(image, "untouched");
  }
}

TEST(MessagesCompiler, DumpReportsDamagedImages) {
  const std::string good = hx::BuildCatalogImage({{1, 1, "a"}, {1, 2, "b"}});
  auto patched = [&](size_t at, char value) {
    std::string image = good;
    image[at] = value;
    return image;
  };
  struct Case {
    std::string image;
    const char* error;
    const char* partial;  // what is still dumped
  };
  const Case cases[] = {
      {good.substr(0, 11), "too short for a catalog header (11 bytes)", ""},
      {patched(7, 'x'), "not a message catalog", ""},
      {good.substr(0, 20), "index of 2 entries needs 36 bytes, the file has 20", ""},
      {good.substr(0, good.size() - 1), "entry 1 (message 1 2): text at offset 37, length 1, lies outside", ""},
      {patched(12 + 12 + 7, 1), "entries 0 and 1 are both message 1 1", "1 1 a\n1 1 b\n"},
      {patched(12 + 7, 3), "entry 1 (message 1 2) comes after message 1 3", "1 3 a\n1 2 b\n"},
  };
  for (const Case& c : cases) {
    std::string source, error;
    EXPECT_FALSE(hx::DumpCatalog(c.image, source, error)) << c.error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
    EXPECT_EQ(source, c.partial);
  }
}

}  // namespace
