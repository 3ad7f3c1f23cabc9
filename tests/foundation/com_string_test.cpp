#include <gtest/gtest.h>

#include <cstring>

#include "foundation/com/ZORString.h"

namespace {

TEST(ComZORString, ConstructionAndEmptyForms) {
  const ZORStringC none;
  EXPECT_TRUE(none.isEmpty());
  EXPECT_STREQ(none.c_str(), "");
  EXPECT_EQ(none.data(), nullptr);
  const ZORStringC fromNull(static_cast<const char*>(nullptr));
  EXPECT_TRUE(fromNull.isEmpty());
  EXPECT_STREQ(fromNull.c_str(), "");
  const ZORStringC one('x');
  EXPECT_EQ(one, "x");
  EXPECT_TRUE(ZORStringC('\0').isEmpty());
  ZORStringC erased("abc");
  erased.erase();
  EXPECT_TRUE(erased.isEmpty());
  EXPECT_EQ(erased.data(), nullptr);
  EXPECT_STREQ(erased.c_str(), "");
}

TEST(ComZORString, CapacityGrowsByDoublingOrRoundedLength) {
  ZORStringC s;
  s += 'a';  // 1 byte: rounded down to 0, plus 8
  EXPECT_EQ(s.capacity(), 8u);
  s += "bcdefg";  // 7 bytes still fit with the terminator
  EXPECT_EQ(s.capacity(), 8u);
  s += 'h';  // 8: max(16, 8 + 8)
  EXPECT_EQ(s.capacity(), 16u);
  s += "0123456789012345678901234567890123456789";  // 48: max(32, 48 + 8)
  EXPECT_EQ(s.capacity(), 56u);
  EXPECT_EQ(s.length(), 48u);
  s += s;  // appending itself survives the buffer moving
  EXPECT_EQ(s.length(), 96u);
  EXPECT_EQ(s.substr(48), s.substr(0, 48));
}

TEST(ComZORString, FindAndSubstr) {
  const ZORStringC s("a.b:c.d");
  EXPECT_EQ(s.find('.'), 1);
  EXPECT_EQ(s.rfind('.'), 5);
  EXPECT_EQ(s.find('x'), ZORStringC::c_NotFound);
  EXPECT_EQ(ZORStringC().rfind('x'), ZORStringC::c_NotFound);
  EXPECT_EQ(s.find(ZORStringC("c.")), 4);
  EXPECT_EQ(s.find(ZORStringC("."), 2), 5);
  EXPECT_EQ(s.find(ZORStringC("a"), 1), ZORStringC::c_NotFound);
  EXPECT_EQ(s.find(ZORStringC("d"), 100), ZORStringC::c_NotFound);
  const struct {
    size_t start;
    long count;
    const char* expected;
  } cases[] = {{0, 1, "a"}, {2, ZORStringC::c_ToEnd, "b:c.d"}, {4, 100, "c.d"}, {7, 1, ""}, {99, 1, ""}};
  for (const auto& c : cases) EXPECT_EQ(s.substr(c.start, c.count), c.expected) << c.start;
}

TEST(ComZORString, EditingOperations) {
  ZORStringC s("Solaris.Processor");
  s.toLower().subst('.', ':');
  EXPECT_EQ(s, "solaris:processor");
  s.erase(7, 1);
  EXPECT_EQ(s, "solarisprocessor");
  s.erase(7);
  EXPECT_EQ(s, "solaris");
  s += '\0';
  EXPECT_EQ(s.length(), 7u);
  EXPECT_EQ(ZORStringC("ab") + "cd" + 'e' + ZORStringC("f"), "abcdef");
  EXPECT_EQ("x" + ZORStringC("y"), "xy");
}

TEST(ComZORString, ComparisonIsByteWise) {
  EXPECT_TRUE(ZORStringC("abc") == ZORStringC("abc"));
  EXPECT_FALSE(ZORStringC("abc") == ZORStringC("abcd"));
  EXPECT_TRUE(ZORStringC("abc") < ZORStringC("abcd"));
  EXPECT_TRUE(ZORStringC("ABC") < ZORStringC("abc"));
  EXPECT_TRUE(ZORStringC("\xE9") > ZORStringC("z"));  // bytes compare unsigned
  EXPECT_TRUE(ZORStringC("b") >= ZORStringC("b"));
  EXPECT_TRUE(ZORStringC("a") != "b");
}

TEST(ComZORString, ConversionsToAndFromProgramText) {
  // The tests run in the C locale, where the system encoding is Latin-1.
  const StringC utf8 = "caf\xC3\xA9";
  const ZORStringC sys8(utf8);
  EXPECT_EQ(sys8, "caf\xE9");
  EXPECT_EQ(StringC(sys8), utf8);

  ZORStringC s("copy");
  char* first = static_cast<char*>(s);
  EXPECT_STREQ(first, "copy");
  EXPECT_NE(first, s.c_str());
  first[0] = 'K';  // the copy is the caller's to change
  EXPECT_EQ(s, "copy");
  EXPECT_STREQ(static_cast<char*>(s), "copy");
}

TEST(ComZORString, TemporaryCopyOwnsOrHandsOver) {
  ZORStringTC owned(StringC("Solaris\xC3\xA9"));
  EXPECT_STREQ(owned, "Solaris\xE9");
  ZORStringTC handed(StringC("kept"));
  char* detached = handed.Detach();
  EXPECT_STREQ(detached, "kept");
  std::free(detached);  // the receiver's now; a double free would show under the sanitizer
}

}  // namespace
