#include <gtest/gtest.h>

#include <cstring>

#include "foundation/com/ZORString.h"

namespace {

// Empty strings of every origin read as "" (never a null pointer) and growth keeps the text.
TEST(ComZORString, EmptyFormsAndGrowth) {
  for (const ZORStringC& empty : {ZORStringC(), ZORStringC(static_cast<const char*>(nullptr)), ZORStringC('\0')}) {
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_STREQ(empty.c_str(), "");
  }
  ZORStringC erased("abc");
  erased.erase();
  EXPECT_EQ(erased.data(), nullptr);
  EXPECT_STREQ(erased.c_str(), "");
  ZORStringC s('a');
  s += "bcdefgh0123456789012345678901234567890123456789";
  EXPECT_EQ(s.length(), 48u);
  s += s;  // appending itself survives the buffer moving
  EXPECT_EQ(s.length(), 96u);
  EXPECT_EQ(s.substr(48), s.substr(0, 48));
  s += '\0';
  EXPECT_EQ(s.length(), 96u);
}

TEST(ComZORString, FindSubstrAndEditing) {
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

  ZORStringC e("Solaris.Processor");
  e.toLower().subst('.', ':');
  EXPECT_EQ(e, "solaris:processor");
  e.erase(7, 1);
  EXPECT_EQ(e, "solarisprocessor");
  e.erase(7);
  EXPECT_EQ(e, "solaris");
  EXPECT_EQ("x" + ZORStringC("ab") + "cd" + 'e', "xabcde");
  EXPECT_TRUE(ZORStringC("abc") < ZORStringC("abcd"));
  EXPECT_TRUE(ZORStringC("\xE9") > ZORStringC("z"));  // bytes compare unsigned
}

// Program text is UTF-8, the system encoding in the tests' C locale is Latin-1; the char*
// handed out is a copy the caller owns.
TEST(ComZORString, ConversionsAndCopies) {
  const ZORStringC sys8(StringC("caf\xC3\xA9"));
  EXPECT_EQ(sys8, "caf\xE9");
  EXPECT_EQ(StringC(sys8), "caf\xC3\xA9");
  ZORStringC s("copy");
  char* first = static_cast<char*>(s);
  EXPECT_NE(first, s.c_str());
  first[0] = 'K';
  EXPECT_EQ(s, "copy");
  ZORStringTC owned(StringC("Solaris\xC3\xA9"));
  EXPECT_STREQ(owned, "Solaris\xE9");
  ZORStringTC handed(StringC("kept"));
  char* detached = handed.Detach();
  EXPECT_STREQ(detached, "kept");
  std::free(detached);  // the receiver's now; a double free would show under the sanitizer
}

}  // namespace
