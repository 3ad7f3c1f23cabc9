// The inventory file bytes (receivers parse them, so whole documents are compared with
// hand-written expected files), and saving: the file at the path is replaced in one step, so a
// failed save leaves the previous file as it was, a link is never written through, and what an
// interrupted save left behind can be cleared.

#include "inventory/TrkInventoryDocTypeHandler.h"

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
  EXPECT_EQ(inv->AddRootAttributes(h), hx::RC_OK);
  return inv;
}

RefM<TrkInventoryC> EscapingInventory() {
  auto inv = TrkInventoryC::New();
  EXPECT_EQ(inv->Add("Type", "Full"), hx::RC_OK);
  auto hw = AddChild(inv.get(), "Hardware", {"Class", "A<B>C", "Name", "Tom & \"Jerry\"", "Evidence", "it's"});
  EXPECT_EQ(hw->AddProperty("Ctl", "a\x01" "b"), hx::RC_OK);
  AddChild(inv.get(), "Content", {"Path", "/opt/x"})->addText("a<b>c & \"d\" 'e' f\x01g");
  return inv;
}

RefM<TrkInventoryC> TextInventory() {
  auto inv = TrkInventoryC::New();
  EXPECT_EQ(inv->Add("Type", "Full"), hx::RC_OK);
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

TEST(InventoryWriter, EscapingOfText) {
  struct CaseT { const char* in; const char* out; };
  const CaseT cases[] = {
      {"a\x01" "b\x1F" "c\x7F", "a~b~c\x7F"},
      {"tab\tlf\ncr\r", "tab\tlf\ncr\r"},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {"caf\xE9", "caf\xC3\xA9"},      // not UTF-8: its Latin-1 character
      {"\xEF\xBF\xBE", " "},           // U+FFFE is no XML character
      {"", ""},
  };
  for (const CaseT& c : cases) {
    std::string text;
    XmlOutputStreamC::escapeText(c.in, text);
    EXPECT_EQ(text, c.out) << c.in;
  }
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

RefM<TrkInventoryC> Inventory(int entities, const std::string& tag = "a") {
  auto inv = TrkInventoryC::New();
  EXPECT_EQ(inv->Add("Type", "Full"), hx::RC_OK);
  EXPECT_EQ(inv->Add("Tag", tag), hx::RC_OK);
  for (int i = 0; i < entities; ++i) TrkTrackC::AddClass(inv.get(), "Disk", "sd" + std::to_string(i), std::string(40, 'e'));
  return inv;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A save that fails (part way, or at a target that cannot be replaced) leaves the previous file
// as it was and no temporary file beside it.
TEST(InventorySave, FailedSavesKeepThePreviousFileAndLeaveNoLitter) {
  hxtest::TempDirC dir("inv-save");
  const FileNameC file(dir.File("inv.hxi"));
  ASSERT_EQ(XmlSaveFile(&file, Inventory(3).get()), hx::RC_OK);
  const std::string previous = hxtest::ReadFile(file.str());
  hx::ResultT rc;
  {
    invtest::ScopedFileSizeLimitC limit(4096);  // far below the new document
    ASSERT_TRUE(limit.ok());
    rc = XmlSaveFile(&file, Inventory(2000, "b").get());
  }
  EXPECT_EQ(rc, hx::RcFromErrno(EFBIG));
  EXPECT_EQ(hxtest::ReadFile(file.str()), previous);

  dir.Mkdir("taken.hxi");
  dir.Write("file", "x");
  const std::pair<const char*, hx::ResultT> cases[] = {
      {"taken.hxi", hx::RcFromErrno(EISDIR)}, {"file/inv.hxi", hx::RcFromErrno(ENOTDIR)},
      {"none/inv.hxi", hx::RcFromErrno(ENOENT)}};
  for (const auto& [path, result] : cases) {
    const FileNameC target(dir.File(path));
    EXPECT_EQ(XmlSaveFile(&target, Inventory(1).get()), result) << path;
  }
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"file", "inv.hxi", "taken.hxi"}));
  EXPECT_TRUE(Names(dir.File("taken.hxi")).empty());
}

// A link planted where the inventory belongs is replaced, never written through; a device is
// written in place.
TEST(InventorySave, LinkIsReplacedAndDeviceStaysADevice) {
  hxtest::TempDirC dir("inv-save");
  dir.Mkdir("real");
  const std::string real = dir.Write("real/inv.hxi", "old");
  ASSERT_EQ(::symlink(real.c_str(), dir.File("link.hxi").c_str()), 0);
  const FileNameC link(dir.File("link.hxi"));
  ASSERT_EQ(XmlSaveFile(&link, Inventory(1).get()), hx::RC_OK);
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_NE(hxtest::ReadFile(link.str()).find("<Inventory Type=\"Full\""), std::string::npos);
  EXPECT_EQ(hxtest::ReadFile(real), "old");

  const FileNameC null("/dev/null");
  ASSERT_EQ(XmlSaveFile(&null, Inventory(1).get()), hx::RC_OK);
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(InventorySave, StaleTemporaryFilesOfTheSamePathAreRemoved) {
  hxtest::TempDirC dir("inv-save");
  for (const char* name : {"inv.hxi", "inv.hxi.aB3xY9.tmp", "inv.hxi.Zz0000.tmp", "inv.hxi.ab.tmp", "inv.hxi.ab-de9.tmp",
                           "other.hxi.aB3xY9.tmp", "inv.hxi.aB3xY9.tmp.gz"})
    dir.Write(name, "x");
  dir.Mkdir("inv.hxi.qqqqqq.tmp");
  EXPECT_EQ(XmlRemoveStaleSaveFiles(FileNameC(dir.File("inv.hxi"))), 2u);
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"inv.hxi", "inv.hxi.aB3xY9.tmp.gz", "inv.hxi.ab-de9.tmp",
                                                        "inv.hxi.ab.tmp", "inv.hxi.qqqqqq.tmp",
                                                        "other.hxi.aB3xY9.tmp"}));
}

}  // namespace
