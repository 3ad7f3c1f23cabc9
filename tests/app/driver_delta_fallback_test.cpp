// The run driver in this process when the delta is taken but cannot be written: the full
// inventory published instead must still hold every entity of the run, also those the delta
// had already taken out of the inventory.

#include <gtest/gtest.h>

#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::InProcessC;
using hxapp::ProbeTrackerC;

TEST(TrackerRunFallback, EntitiesOfADeltaThatCouldNotBeWrittenAreInTheFullInventory) {
  InProcessC p;
  ASSERT_EQ(p.Load({"-o", "Difference=True", "-o", "IncrementalDiff=False"}), hx::RC_OK);
  // A base of 3,000 disks that this run no longer has: all of them go to the delta's "Remove",
  // which makes the delta far larger than the limit below, and the full inventory far smaller.
  p.Dir().Mkdir("data/tracker/inventories");
  const std::string path = p.InventoryDir() + "/" + p.Value("InventoryFile");
  RefM<TrkInventoryC> base = TrkInventoryC::New();
  base->Add("Type", "Full");
  for (int i = 0; i < 3000; ++i) TrkTrackC::AddClass(base.get(), "Disk", "old disk " + std::to_string(i), "devinfo");
  const FileNameC baseFile(path);
  ASSERT_EQ(XmlSaveFile(&baseFile, base.get()), hx::RC_OK);

  RefM<ProbeTrackerC> t = p.NewTracker();
  t->hardwareClasses = {"Processor", "Memory"};  // both new: the delta moves them to "Add"
  hx::ResultT r;
  {
    hxapp::ScopedFileSizeLimitC limit(64 * 1024);
    ASSERT_TRUE(limit.ok());
    r = p.Run(*t);
  }
  EXPECT_EQ(r, hx::RC_OK);
  EXPECT_EQ(p.Value("Difference"), "False");
  EXPECT_EQ(p.Value("Generation"), "Full");
  const std::string inventory = hxtest::ReadFile(path);
  EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Processor\"")) << inventory;
  EXPECT_TRUE(Contains(inventory, "<Hardware Class=\"Memory\"")) << inventory;
  EXPECT_FALSE(Contains(inventory, "old disk")) << inventory;
  std::string staged;
  ASSERT_TRUE(hxapp::Gunzip(p.UploadDir() + "/" + p.Value("UploadFile") + ".gz", &staged));
  EXPECT_EQ(staged, inventory);
  EXPECT_TRUE(hxapp::FilesIn(p.TempDir()).empty());
  t.reset();
  EXPECT_TRUE(Contains(p.Log(), "Could not generate inventory delta - reverting to full inventory"));
}

}  // namespace
