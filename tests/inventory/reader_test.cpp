// Reading an inventory file back: what the delta's base document holds, and what a hostile or
// broken file does to the reader.

#include <gtest/gtest.h>

#include <cerrno>

#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/XmlBinder.h"
#include "tests/inventory/InventoryTestSupport.h"

namespace {

hx::ResultT Read(const std::string& xml, RefM<TrkInventoryC>* inv) {
  return TrkInventoryDocTypeHandlerC::ReadBuffer(xml.data(), xml.size(), inv);
}

// The indexed top-level entities of a read document in document order of their items.
std::vector<TrkInventoryEntityC*> TopLevel(const TrkInventoryC& inv) {
  std::vector<TrkInventoryEntityC*> out;
  inv.GetFlatIndex().ForEachKey([&](const StringC&, const TrkInventoryIndexC::ElemsT& elems) {
    for (const auto& e : elems) out.push_back(e.GetEntity());
  });
  return out;
}

TEST(InventoryReader, FoldsWhitespaceAroundText) {
  struct CaseT { const char* in; const char* out; };
  const CaseT cases[] = {
      {"abc", "abc"},       {"\n\t\tabc\n\t", " abc "}, {" \r\n abc", " abc"},
      {"abc \t ", "abc "},  {"\n\t\t", " "},            {"a \n b", "a \n b"},
      {"", ""},
  };
  for (const CaseT& c : cases) EXPECT_EQ(XmlBinderC::FoldWhitespace(c.in), c.out) << c.in;
}

TEST(InventoryReader, RootAttributesInOrderAndTopLevelEntitiesIndexedNotLinked) {
  RefM<TrkInventoryC> inv;
  ASSERT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(invtest::SourceFile("data/delta_base.hxi"), &inv), hx::RC_OK);
  std::string attrs;
  for (const auto& a : inv->GetAttributes()) attrs += a.GetName() + " ";
  EXPECT_EQ(attrs, "Tracker Audience Scope MachineName UserName Hardware DateTime Type ");
  EXPECT_EQ(inv->numChildren(), 0u);
  EXPECT_EQ(inv->GetFlatIndex().size(), 3u);
  EXPECT_EQ(inv->GetDeepIndex().size(), 3u);
  const auto top = TopLevel(*inv);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0]->GetAttribute("Name"), "cpu0");
  EXPECT_EQ(invtest::ChildNames(top[0]), "Property:Speed");
  EXPECT_EQ(top[2]->getTag(), "Package");
  EXPECT_TRUE(inv->GetDeepIndex().Contains(invtest::Digest(top[1], true)));
  EXPECT_TRUE(inv->GetFlatIndex().Contains(invtest::Digest(top[1], false)));
}

TEST(InventoryReader, ReferencesToUndeclaredEntitiesStandForNothing) {
  const std::string xml = std::string(invtest::c_Prolog) +
                          "<Inventory A=\"x&amp;y\"><Hardware Name=\"a&foo;b\">1&lt;2&bar;3&#65;</Hardware></Inventory>";
  RefM<TrkInventoryC> inv;
  ASSERT_EQ(Read(xml, &inv), hx::RC_OK);
  EXPECT_EQ(inv->GetAttribute("A"), "x&y");
  const auto top = TopLevel(*inv);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0]->GetAttribute("Name"), "ab");
  EXPECT_EQ(top[0]->GetText(), "1<23A");
}

TEST(InventoryReader, BrokenOrHostileInputFailsCleanly) {
  std::string deep = "<Inventory>";
  for (int i = 0; i < 300; ++i) deep += "<E>";
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE Inventory [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><Inventory V=\"&c;\">&c;</Inventory>";
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE Inventory [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Inventory>&x;</Inventory>";
  struct CaseT { const char* what; std::string xml; };
  const CaseT cases[] = {
      {"empty", ""},
      {"no element", "<?xml version=\"1.0\"?>"},
      {"truncated", "<Inventory><Hardware Name=\"a\">"},
      {"mismatched", "<Inventory><A></B></Inventory>"},
      {"two roots", "<Inventory/><Inventory/>"},
      {"not an inventory", "<Other><Hardware/></Other>"},
      {"too deep", deep},
      {"entity expansion", laughs},
      {"external entity", external},
      {"binary", std::string("\0\xff\xfe<", 4)},
  };
  for (const CaseT& c : cases) {
    RefM<TrkInventoryC> inv;
    EXPECT_LT(Read(c.xml, &inv), 0) << c.what;
    EXPECT_FALSE(inv) << c.what;
  }
  RefM<TrkInventoryC> inv;
  EXPECT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(FileNameC("/nonexistent/inv.hxi"), &inv), hx::RcFromErrno(ENOENT));
}

}  // namespace
