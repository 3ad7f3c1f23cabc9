// The entity digest decides which items a delta reports; its bytes must match what earlier
// inventories were keyed with.

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "tests/inventory/InventoryTestSupport.h"

using invtest::AddChild;
using invtest::Digest;

namespace {

// Switches the character type locale for one test and back.
class ScopedCtypeC {
 public:
  explicit ScopedCtypeC(const char* locale) : old_(std::setlocale(LC_CTYPE, nullptr)) {
    ok_ = std::setlocale(LC_CTYPE, locale) != nullptr;
  }
  ~ScopedCtypeC() { std::setlocale(LC_CTYPE, old_.c_str()); }
  bool ok() const { return ok_; }

 private:
  std::string old_;
  bool ok_;
};

TEST(InventoryDigest, KnownAnswers) {
  auto hw = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0"});
  AddChild(hw.get(), "Property", {"Name", "Speed", "Value", "2000"});
  hw->addText("text never counts");
  auto bare = AddChild(nullptr, "Add");
  struct CaseT { TrkInventoryEntityC* e; bool deep; const char* md5; };
  const CaseT cases[] = {
      {hw.get(), false, "9f3d6c607d8e5bf7e59b61cafa7f67d5"},  // "<Hardware Class=CPU Name=cpu0 "
      {hw.get(), true, "a2c3b2c53ed0dcd36fa5eb6c64fb1ed5"},   // ... "<Property Name=Speed Value=2000 "
      {bare.get(), true, "3e4aea25c06ea49c96a40b19d26709cb"}, // "<Add "
  };
  for (const CaseT& c : cases) EXPECT_EQ(Digest(c.e, c.deep), c.md5) << c.e->getTag() << c.deep;
}

// Flat digests leave out the children, deep ones follow them in order; text never counts.
TEST(InventoryDigest, FollowsAttributeOrderAndSubtreeButNotText) {
  auto a = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0"});
  auto b = AddChild(nullptr, "Hardware", {"Name", "cpu0", "Class", "CPU"});
  EXPECT_NE(Digest(a.get(), false), Digest(b.get(), false));
  auto c = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0"});
  c->addText("something");
  AddChild(c.get(), "Property", {"Name", "Speed", "Value", "1"});
  EXPECT_EQ(Digest(a.get(), false), Digest(c.get(), false));
  EXPECT_NE(Digest(a.get(), true), Digest(c.get(), true));

  auto d = AddChild(nullptr, "H");
  auto e = AddChild(nullptr, "H");
  for (const char* n : {"1", "2"}) AddChild(d.get(), "P", {"Name", n});
  for (const char* n : {"2", "1"}) AddChild(e.get(), "P", {"Name", n});
  EXPECT_NE(Digest(d.get(), true), Digest(e.get(), true));
}

// A text is fed in the system 8-bit encoding and cut to its number of characters: in a UTF-8
// locale "N=\u00e9 " (4 characters, 5 bytes) loses its trailing space.
TEST(InventoryDigest, NonAsciiTextIsFedByCharacterCount) {
  auto p = AddChild(nullptr, "P", {"N", "\xC3\xA9"});
  {
    ScopedCtypeC latin("C");
    EXPECT_EQ(Digest(p.get(), false), "b426c4bd7b4a94410f39b6da43437829");  // "<P N=\xE9 "
  }
  ScopedCtypeC utf8("C.UTF-8");
  if (!utf8.ok()) GTEST_SKIP() << "no UTF-8 locale on this machine";
  EXPECT_EQ(Digest(p.get(), false), "fc3c5e29b791e7c3eb98f52b65ec0daa");  // "<P N=\xC3\xA9"
}

}  // namespace
