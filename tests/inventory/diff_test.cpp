// The delta against an earlier inventory: what counts as new, changed and gone.

#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "tests/inventory/InventoryTestSupport.h"

using invtest::AddChild;
using invtest::ChildNames;

namespace {

using BuildT = std::function<void(TrkInventoryC&)>;

RefM<TrkInventoryC> Build(const BuildT& fill) {
  auto inv = TrkInventoryC::New();
  EXPECT_EQ(inv->Add("Type", "Full"), hx::RC_OK);
  fill(*inv);
  return inv;
}

void Cpu(TrkInventoryC& inv, const char* name, const char* speed) {
  EXPECT_EQ(TrkTrackC::AddClass(&inv, "CPU", name, "kstat")->AddProperty("Speed", speed), hx::RC_OK);
}

// The delta of current against base, taken through base's file in dir.
RefM<TrkInventoryC> Delta(const hxtest::TempDirC& dir, TrkInventoryC& base, TrkInventoryC& current) {
  const FileNameC baseFile(dir.File("base.hxi"));
  EXPECT_EQ(XmlSaveFile(&baseFile, &base), hx::RC_OK);
  TrkInventoryC* delta = nullptr;
  EXPECT_EQ(current.GenerateDiff(baseFile, TrkInventoryHeaderT(), &delta), hx::RC_OK);
  return RefM<TrkInventoryC>::Adopt(delta);
}

// "Remove[...] Update[...] Add[...]" with "Tag:Name" of the entities in each section.
std::string Summary(TrkInventoryC& delta) {
  std::string out;
  for (const TrkInventoryEntityC* s = delta.GetFirstChild(); s != nullptr; s = s->GetNext())
    out += (out.empty() ? "" : " ") + s->getTag() + "[" + ChildNames(s) + "]";
  return out;
}

TEST(InventoryDiff, SectionsFollowTheMatchingRules) {
  struct CaseT { const char* what; BuildT base; BuildT current; const char* summary; };
  const CaseT cases[] = {
      {"identical", [](auto& i) { Cpu(i, "cpu0", "1"); Cpu(i, "cpu1", "1"); },
       [](auto& i) { Cpu(i, "cpu0", "1"); Cpu(i, "cpu1", "1"); }, "Remove[] Update[] Add[]"},
      {"changed property", [](auto& i) { Cpu(i, "cpu0", "1"); }, [](auto& i) { Cpu(i, "cpu0", "2"); },
       "Remove[] Update[Hardware:cpu0] Add[]"},
      {"renamed", [](auto& i) { Cpu(i, "cpu0", "1"); }, [](auto& i) { Cpu(i, "cpu9", "1"); },
       "Remove[Hardware:cpu0] Update[] Add[Hardware:cpu9]"},
      {"two identical against one", [](auto& i) { Cpu(i, "cpu0", "1"); },
       [](auto& i) { Cpu(i, "cpu0", "1"); Cpu(i, "cpu0", "1"); }, "Remove[] Update[Hardware:cpu0 Hardware:cpu0] Add[]"},
      {"one against two identical", [](auto& i) { Cpu(i, "cpu0", "1"); Cpu(i, "cpu0", "1"); },
       [](auto& i) { Cpu(i, "cpu0", "1"); }, "Remove[] Update[Hardware:cpu0] Add[]"},
      // Entities of one name are one item: an adapter listed once per address family is sent
      // again whole when one of its addresses changed.
      {"one of two of a name changed", [](auto& i) { Cpu(i, "cpu0", "1"); Cpu(i, "cpu0", "2"); },
       [](auto& i) { Cpu(i, "cpu0", "1"); Cpu(i, "cpu0", "3"); }, "Remove[] Update[Hardware:cpu0 Hardware:cpu0] Add[]"},
      {"reordered entities", [](auto& i) { Cpu(i, "cpu0", "1"); TrkTrackC::AddPackage(&i, "P", "pkg"); },
       [](auto& i) { TrkTrackC::AddPackage(&i, "P", "pkg"); Cpu(i, "cpu0", "1"); }, "Remove[] Update[] Add[]"},
      {"reordered attributes", [](auto& i) { AddChild(&i, "Package", {"Name", "P", "Evidence", "e"}); },
       [](auto& i) { AddChild(&i, "Package", {"Evidence", "e", "Name", "P"}); },
       "Remove[Package:P] Update[] Add[Package:P]"},
      {"empty base", [](auto&) {}, [](auto& i) { Cpu(i, "cpu0", "1"); }, "Remove[] Update[] Add[Hardware:cpu0]"},
      {"items interleaved", [](auto&) {},
       [](auto& i) { for (const char* n : {"cpu9", "cpu5", "cpu9", "cpu7", "cpu5"}) Cpu(i, n, "1"); },
       "Remove[] Update[] Add[Hardware:cpu9 Hardware:cpu9 Hardware:cpu5 Hardware:cpu5 Hardware:cpu7]"},
      {"empty current", [](auto& i) { Cpu(i, "cpu0", "1"); }, [](auto&) {}, "Remove[Hardware:cpu0] Update[] Add[]"},
      // Text is not part of an item.
      {"text differs only", [](auto& i) { Cpu(i, "cpu0", "1"); },
       [](auto& i) { Cpu(i, "cpu0", "1"); i.GetFirstChild()->addText("note"); }, "Remove[] Update[] Add[]"},
  };
  hxtest::TempDirC dir("inv-diff");
  for (const CaseT& c : cases) {
    auto delta = Delta(dir, *Build(c.base), *Build(c.current));
    ASSERT_TRUE(delta) << c.what;
    EXPECT_EQ(Summary(*delta), c.summary) << c.what;
  }
}

TEST(InventoryDiff, DeltaDocumentMatchesItsExpectedBytes) {
  auto current = Build([](TrkInventoryC& i) {
    Cpu(i, "cpu0", "2400");
    EXPECT_EQ(TrkTrackC::AddClass(&i, "Disk", "sd1", "devinfo")->AddProperty("Size", "100"), hx::RC_OK);
    TrkTrackC::AddPackage(&i, "SUNWcsr", "pkginfo");
    TrkTrackC::AddPackage(&i, "SUNWzfs", "pkginfo");
  });
  TrkInventoryHeaderT h;
  h.version = "9.2";
  h.inventoryType = "Machine";
  h.fullQualifiedDomainName = "h.example.org";
  h.machineId = "h";
  h.userId = "root";
  h.deviceId = "D1";  // not part of a delta
  h.job = "J";        // nor this
  h.expectHardware = true;
  h.dateTime = "2026-03-02 08:00:00";
  h.generation = "3";

  TrkInventoryC* delta = nullptr;
  ASSERT_EQ(current->GenerateDiff(invtest::SourceFile("data/delta_base.hxi"), h, &delta), hx::RC_OK);
  auto owned = RefM<TrkInventoryC>::Adopt(delta);
  // New and changed entities moved out of the inventory; unchanged ones stay.
  EXPECT_EQ(ChildNames(current.get()), "Package:SUNWcsr");

  hxtest::TempDirC dir("inv-diff");
  const FileNameC out(dir.File("delta.hxi"));
  ASSERT_EQ(XmlSaveFile(&out, owned.get()), hx::RC_OK);
  EXPECT_EQ(hxtest::ReadFile(out.str()), invtest::Expected("delta.hxi"));
}

// A base that cannot be read (the reader's tests list the kinds) gives no delta and leaves the
// inventory whole.
TEST(InventoryDiff, UnreadableBase) {
  hxtest::TempDirC dir("inv-diff");
  auto inv = Build([](TrkInventoryC& i) { Cpu(i, "cpu0", "1"); });
  hxtest::WriteFile(dir.File("malformed"), std::string(invtest::c_Prolog) + "<Inventory>\n\t<Hardware>\n");
  for (const char* base : {"missing", "malformed"}) {
    TrkInventoryC* delta = reinterpret_cast<TrkInventoryC*>(1);
    EXPECT_LT(inv->GenerateDiff(FileNameC(dir.File(base)), TrkInventoryHeaderT(), &delta), 0) << base;
    EXPECT_EQ(delta, nullptr) << base;
    EXPECT_EQ(ChildNames(inv.get()), "Hardware:cpu0") << base;
  }
}

}  // namespace
