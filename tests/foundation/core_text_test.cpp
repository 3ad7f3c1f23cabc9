#include "support/TestSupport.h"

#include "foundation/core/FileName.h"
#include "foundation/core/Format.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

namespace {

TEST(CoreText, CaseInsensitiveCompareAndHashAgree) {
  struct Case { const char* a; const char* b; int sign; };
  const Case cases[] = {
      {"SolarisProcessor", "SOLARISPROCESSOR", 0},
      {"abc", "ABD", -1},
      {"abc", "ab", 1},
      {"", "", 0},
      {"Z", "a", 1},  // compared lower-cased: 'z' > 'a'
  };
  for (const auto& c : cases) {
    const int r = hx::CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    if (c.sign == 0) {
      EXPECT_EQ(hx::HashNoCase(c.a), hx::HashNoCase(c.b)) << c.a;
    }
  }
}

TEST(CoreText, SplitTrimAndLines) {
  EXPECT_EQ(hx::Split("a;;b;", ';'), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(hx::Split("a;;b;", ';', true), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(hx::SplitBlanks("  e1000g0:\tflags=1  mtu "), (std::vector<std::string>{"e1000g0:", "flags=1", "mtu"}));
  EXPECT_EQ(hx::SplitLines("one\r\ntwo\n\nthree"), (std::vector<std::string>{"one", "two", "", "three"}));
  EXPECT_TRUE(hx::SplitLines("").empty());
  EXPECT_EQ(hx::Trim(" \t x y \r\n"), "x y");
}

TEST(CoreText, NumberParsingTakesWholeTextOnly) {
  int64_t v = 0;
  EXPECT_TRUE(hx::ParseInt64(" -42 ", v));
  EXPECT_EQ(v, -42);
  EXPECT_FALSE(hx::ParseInt64("42x", v));
  EXPECT_FALSE(hx::ParseInt64("", v));
  EXPECT_FALSE(hx::ParseInt64("99999999999999999999", v));
  uint64_t u = 0;
  EXPECT_FALSE(hx::ParseUInt64("-1", u));
  EXPECT_TRUE(hx::ParseUInt64("ff", u, 16));
  EXPECT_EQ(u, 255u);
}

TEST(CoreText, EncodingsRoundTrip) {
  const std::string latin1 = "caf\xE9";
  EXPECT_EQ(hx::Latin1ToUtf8(latin1), "caf\xC3\xA9");
  EXPECT_EQ(hx::Utf8ToLatin1("caf\xC3\xA9"), latin1);
  EXPECT_EQ(hx::Utf8ToLatin1("\xE2\x82\xAC"), "?");  // the euro sign has no Latin-1 code
  EXPECT_TRUE(hx::IsValidUtf8("caf\xC3\xA9"));
  EXPECT_FALSE(hx::IsValidUtf8("caf\xE9"));
  EXPECT_FALSE(hx::IsValidUtf8("\xC0\x80"));      // overlong
  EXPECT_FALSE(hx::IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_EQ(hx::ToValidUtf8("a\xE9z\xC3\xA9"), "a\xC3\xA9z\xC3\xA9");
  // In the C locale (the tests' locale) the system encoding is read as Latin-1.
  EXPECT_EQ(hx::Utf8ToSys8(hx::Sys8ToUtf8(latin1)), latin1);
}

TEST(CoreFormat, PositionalAndSequentialPlaceholders) {
  struct Case { std::string got; const char* want; };
  const Case cases[] = {
      {hx::Format("%2$s before %1$s", "one", "two"), "two before one"},
      {hx::Format("%1$d/%1$d", 7), "7/7"},
      {hx::Format("%S is %d%%", std::string("disk"), 93), "disk is 93%"},
      {hx::Format("%#lx", 0x80000006u), "0x80000006"},
      {hx::Format("%08X-%04x", 0xFA199261u, 0x85EBu), "FA199261-85eb"},
      {hx::Format("[%-5s|%5s]", "ab", "cd"), "[ab   |   cd]"},
      {hx::Format("%.2f", 3.14159), "3.14"},
      {hx::Format("%*d", 4, 7), "   7"},
      {hx::Format("%c", 'G'), "G"},
      {hx::Format("%lu.%03luU", 12ul, 5ul), "12.005U"},
      {hx::Format("%d", "not a number"), "0"},
      {hx::Format("%s", -5), "-5"},
      {hx::Format("100%"), "100%"},
      {hx::Format("%1$y"), "%1$y"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(CoreFormat, MissingArgumentsAreNeverRead) {
  // A translated text may ask for more arguments than the code passes.
  EXPECT_EQ(hx::Format("%1$s and %2$s", "only"), "only and %2$s");
  EXPECT_EQ(hx::Format("%s %s %d", "a"), "a %s %d");
  EXPECT_EQ(hx::Format("%9$s"), "%9$s");
  EXPECT_EQ(hx::Format("%*d"), "%*d");
  EXPECT_EQ(hx::Format("%n%s", "x"), "x");  // %n never writes anywhere
  // A hostile width is capped instead of allocating gigabytes.
  EXPECT_LE(hx::Format("%999999999d", 1).size(), 4096u);
}

TEST(CoreFileName, Parts) {
  struct Case { const char* path; const char* dir; const char* base; const char* ext; };
  const Case cases[] = {
      {"/opt/app/lib/libx.so.1", "/opt/app/lib", "libx.so.1", "1"},
      {"/etc/", "/", "etc", ""},
      {"/a", "/", "a", ""},
      {"/", "", "", ""},
      {"name.txt", "", "name.txt", "txt"},
      {"/home/u/.profile", "/home/u", ".profile", ""},
      {"/x//y", "/x", "y", ""},
  };
  for (const auto& c : cases) {
    const FileNameC f(c.path);
    EXPECT_EQ(f.directory(), c.dir) << c.path;
    EXPECT_EQ(f.baseName(), c.base) << c.path;
    EXPECT_EQ(f.extension(), c.ext) << c.path;
  }
  EXPECT_EQ(FileNameC("/a/").append("/b").str(), "/a/b");
  EXPECT_EQ(FileNameC("/a//b/").components(), (std::vector<std::string>{"a", "b"}));
}

TEST(CoreFileName, WildcardMatchIsWholeStringAndIgnoresCase) {
  struct Case { const char* pattern; const char* text; bool match; };
  const Case cases[] = {
      {"*.EXE", "setup.exe", true},
      {"/opt/app?", "/opt/app1", true},
      {"/opt/app?", "/opt/app10", false},
      {"/opt/app*", "/opt/app10/x", true},  // '*' crosses separators
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"", "", true},
      {"*", "", true},
      {"?", "", false},
      {"abc", "ab", false},
  };
  for (const auto& c : cases) EXPECT_EQ(hx::WildcardMatch(c.pattern, c.text), c.match) << c.pattern << " ~ " << c.text;
  // Many stars against a long non-matching text must not take exponential time.
  EXPECT_FALSE(hx::WildcardMatch("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(CoreResult, ErrnoRule) {
  EXPECT_EQ(static_cast<uint32_t>(hx::RcFromErrno(ENOENT)), 0xE0000002u);
  EXPECT_EQ(hx::ErrnoFromRc(hx::RcFromErrno(EACCES)), EACCES);
  EXPECT_EQ(hx::ErrnoFromRc(hx::RC_FAIL), 0);
}

}  // namespace
