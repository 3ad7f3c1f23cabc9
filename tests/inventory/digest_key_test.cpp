// The reader's digests (both of an entity in one pass, as 16-byte keys) against the digest
// computed step by step, and the key's text form.

#include "foundation/core/Md5.h"
#include "inventory/InventoryTestSupport.h"
#include "inventory/TrkDigestKey.h"

namespace {

using invtest::AddChild;

std::string StepByStep(const TrkInventoryEntityC& e, bool recurse) {
  MD5C md5;
  std::string hex;
  EXPECT_EQ(e.CalculateMD5(md5, recurse), hx::RC_OK);
  EXPECT_EQ(md5.Final(&hex), hx::RC_OK);
  return hex;
}

TEST(InventoryDigestKey, OnePassGivesBothDigests) {
  auto leaf = AddChild(nullptr, "Content", {"MD5", "0123456789abcdef0123456789abcdef", "Size", "7"});
  auto tree = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0"});
  AddChild(AddChild(tree.get(), "Property", {"Name", "Speed", "Value", "2000"}).get(), "Deeper", {"A", "b"});
  AddChild(tree.get(), "Property", {"Name", "Vendor", "Value", "Caf\xC3\xA9 \xE2\x82\xAC"});
  auto wide = AddChild(nullptr, "P", {"N", "\xC3\xA9t\xC3\xA9"});
  for (const TrkInventoryEntityC* e : {leaf.get(), tree.get(), wide.get()}) {
    TrkDigestKeyT flat, deep;
    ASSERT_EQ(e->CalculateDigestKeys(&flat, &deep), hx::RC_OK);
    EXPECT_EQ(flat.Hex(), StepByStep(*e, false)) << e->getTag();
    EXPECT_EQ(deep.Hex(), StepByStep(*e, true)) << e->getTag();
  }
}

TEST(InventoryDigestKey, TextForm) {
  const struct { const char* text; bool valid; } cases[] = {
      {"9f3d6c607d8e5bf7e59b61cafa7f67d5", true},  {"9F3D6C607D8E5BF7E59B61CAFA7F67D5", true},
      {"9f3d6c607d8e5bf7e59b61cafa7f67d", false},  {"9f3d6c607d8e5bf7e59b61cafa7f67d5a", false},
      {"9f3d6c607d8e5bf7e59b61cafa7f67dg", false}, {"", false},
  };
  for (const auto& c : cases) {
    TrkDigestKeyT key;
    ASSERT_EQ(TrkDigestKeyT::FromHex(c.text, &key), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(key.Hex(), hx::ToLower(c.text)) << c.text;
    }
  }
}

}  // namespace
