// The inventory file bytes: receivers parse them, so whole documents are compared with
// hand-written expected files.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>

#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "tests/inventory/InventoryTestSupport.h"

using invtest::AddChild;

namespace {

RefM<TrkInventoryC> EmptyInventory() {
  auto inv = TrkInventoryC::New();
  TrkInventoryHeaderT h;
  h.version = "9.2.0.1";
  h.inventoryType = "Machine";
  h.fullQualifiedDomainName = "host1.example.org";
  h.machineId = "host1";
  h.userId = "root";
  h.deviceId = "D1";
  h.expectHardware = h.expectSoftware = true;
  h.dateTime = "2026-03-01 10:00:00";
  h.generation = "7";  // a full inventory does not carry it
  inv->AddRootAttributes(h);
  return inv;
}

RefM<TrkInventoryC> EscapingInventory() {
  auto inv = TrkInventoryC::New();
  inv->Add("Type", "Full");
  auto hw = AddChild(inv.get(), "Hardware", {"Class", "A<B>C", "Name", "Tom & \"Jerry\"", "Evidence", "it's"});
  hw->AddProperty("Ctl", "a\x01" "b");
  AddChild(inv.get(), "Content", {"Path", "/opt/x"})->addText("a<b>c & \"d\" 'e' f\x01g");
  return inv;
}

RefM<TrkInventoryC> TextInventory() {
  auto inv = TrkInventoryC::New();
  inv->Add("Type", "Full");
  AddChild(inv.get(), "Hardware", {"Class", "Text"})->addText(" abc ");
  auto pkg = AddChild(inv.get(), "Package", {"Name", "P"});
  AddChild(pkg.get(), "Property", {"Name", "Note"})->addText(" abc ");
  return inv;
}

TEST(InventoryWriter, WholeDocumentsMatchTheirExpectedBytes) {
  struct CaseT { const char* file; std::function<RefM<TrkInventoryC>()> build; };
  const CaseT cases[] = {
      {"empty_inventory.hxi", EmptyInventory},
      {"escaping.hxi", EscapingInventory},
      {"text_depth.hxi", TextInventory},
  };
  hxtest::TempDirC dir("inv-writer");
  for (const CaseT& c : cases) {
    const FileNameC out(dir.File(c.file));
    auto inv = c.build();
    ASSERT_EQ(XmlSaveFile(&out, inv.get()), hx::RC_OK) << c.file;
    EXPECT_EQ(hxtest::ReadFile(out.str()), invtest::Expected(c.file)) << c.file;
  }
}

TEST(InventoryWriter, EscapingOfTextAndAttributeValues) {
  struct CaseT { const char* in; const char* out; };
  const CaseT cases[] = {
      {"<>&\"'", "&lt;&gt;&amp;&quot;&apos;"},
      {"a\x01" "b\x1F" "c\x7F", "a~b~c\x7F"},
      {"tab\tlf\ncr\r", "tab\tlf\ncr\r"},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {"caf\xE9", "caf\xC3\xA9"},      // not UTF-8: its Latin-1 character
      {"\xEF\xBF\xBE", " "},           // U+FFFE is no XML character
      {"", ""},
  };
  for (const CaseT& c : cases) {
    std::string text, attr;
    XmlOutputStreamC::escapeText(c.in, text);
    XmlOutputStreamC::escapeAttrVal(c.in, attr);
    EXPECT_EQ(text, c.out) << c.in;
    EXPECT_EQ(attr, c.out) << c.in;
  }
}

TEST(InventoryWriter, FailuresGiveTheirCodes) {
  hxtest::TempDirC dir("inv-writer");
  auto inv = EmptyInventory();
  EXPECT_EQ(XmlSaveFile(nullptr, inv.get()), hx::RC_NULL_OUT);
  const FileNameC ok(dir.File("inv.hxi"));
  EXPECT_EQ(XmlSaveFile(&ok, nullptr), hx::RC_NULL_OUT);

  // A write that fails part way: the device refuses every byte once the buffer is handed on.
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  for (int i = 0; i < 2000; ++i)
    inv->AddProperty("Property" + std::to_string(i), std::string(64, 'x'));
  hx::ResultT rc;
  {
    XmlStdioOutputStreamC stream(full);
    stream.saveObject(static_cast<XmlDocumentI*>(inv.get()));
    rc = stream.close();
  }
  std::fclose(full);
  EXPECT_EQ(rc, hx::RcFromErrno(ENOSPC));

}

TEST(InventoryWriter, LargeDocumentsCrossChunkBoundariesIntact) {
  auto inv = TrkInventoryC::New();
  std::string expected = invtest::c_Prolog;
  expected += "<Inventory>\n";
  for (int i = 0; i < 5000; ++i) {
    const std::string name = "n" + std::to_string(i) + "&";
    TrkTrackC::AddClass(inv.get(), "C", name, "e");
    expected += "\t<Hardware Class=\"C\" Name=\"n" + std::to_string(i) + "&amp;\" Evidence=\"e\"/>\n";
  }
  expected += "</Inventory>\n";
  hxtest::TempDirC dir("inv-writer");
  const FileNameC out(dir.File("big.hxi"));
  ASSERT_EQ(XmlSaveFile(&out, inv.get()), hx::RC_OK);
  EXPECT_EQ(hxtest::ReadFile(out.str()), expected);
}

}  // namespace
