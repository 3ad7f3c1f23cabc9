// Saving replaces the file at the path in one step: a failed save leaves the previous file as
// it was, a reader never sees half a document, new files get the usual permissions, a link is
// never written through, and what an interrupted save left behind can be cleared.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "tests/inventory/InventoryTestSupport.h"

namespace {

RefM<TrkInventoryC> Inventory(int entities, const std::string& tag = "a") {
  auto inv = TrkInventoryC::New();
  inv->Add("Type", "Full");
  inv->Add("Tag", tag);
  for (int i = 0; i < entities; ++i) TrkTrackC::AddClass(inv.get(), "Disk", "sd" + std::to_string(i), std::string(40, 'e'));
  return inv;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The process umask for the life of the object.
class ScopedUmaskC {
 public:
  explicit ScopedUmaskC(mode_t mask) : old_(::umask(mask)) {}
  ~ScopedUmaskC() { ::umask(old_); }

 private:
  mode_t old_;
};

TEST(InventorySave, FailedSaveLeavesThePreviousFileAndNoTemporaryFile) {
  hxtest::TempDirC dir("inv-save");
  const FileNameC file(dir.File("inv.hxi"));
  ASSERT_EQ(XmlSaveFile(&file, Inventory(3).get()), hx::RC_OK);
  const std::string previous = hxtest::ReadFile(file.str());

  // The new document is far larger than the file size limit: the write fails part way.
  hx::ResultT rc;
  {
    invtest::ScopedFileSizeLimitC limit(4096);
    ASSERT_TRUE(limit.ok());
    rc = XmlSaveFile(&file, Inventory(2000, "b").get());
  }
  EXPECT_EQ(rc, hx::RcFromErrno(EFBIG));
  EXPECT_EQ(hxtest::ReadFile(file.str()), previous);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"inv.hxi"});
}

TEST(InventorySave, TargetsThatCannotBeReplacedFailWithoutLitter) {
  hxtest::TempDirC dir("inv-save");
  dir.Mkdir("taken.hxi");
  dir.Write("file", "x");
  struct CaseT { const char* what; std::string path; hx::ResultT rc; };
  const CaseT cases[] = {
      {"a directory at the path", dir.File("taken.hxi"), hx::RcFromErrno(EISDIR)},
      {"a file as a directory", dir.File("file/inv.hxi"), hx::RcFromErrno(ENOTDIR)},
      {"no such directory", dir.File("none/inv.hxi"), hx::RcFromErrno(ENOENT)},
  };
  for (const CaseT& c : cases) {
    const FileNameC file(c.path);
    EXPECT_EQ(XmlSaveFile(&file, Inventory(1).get()), c.rc) << c.what;
  }
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"file", "taken.hxi"}));
  EXPECT_TRUE(Names(dir.File("taken.hxi")).empty());
}

TEST(InventorySave, ReplacedFileGetsTheModeOfANewFile) {
  hxtest::TempDirC dir("inv-save");
  const FileNameC file(dir.File("inv.hxi"));
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
    ScopedUmaskC umask(mask);
    ASSERT_EQ(XmlSaveFile(&file, Inventory(1).get()), hx::RC_OK);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask) << std::oct << mask;
  }
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

// A reader that opens the file while saves replace it sees one whole document or the other.
TEST(InventorySave, ReaderNeverSeesAPartialDocument) {
  hxtest::TempDirC dir("inv-save");
  const FileNameC file(dir.File("inv.hxi"));
  RefM<TrkInventoryC> versions[] = {Inventory(3000, "a"), Inventory(1500, "b")};
  ASSERT_EQ(XmlSaveFile(&file, versions[0].get()), hx::RC_OK);
  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::thread writer([&] {
    for (int i = 0; i < 5000 && reads < 30; ++i) XmlSaveFile(&file, versions[i % 2].get());
    done = true;
  });
  int failures = 0;
  while (!done) {
    RefM<TrkInventoryC> read;
    if (TrkInventoryDocTypeHandlerC::ReadFile(file, &read) != hx::RC_OK) {
      ++failures;
    } else {
      const size_t expected = read->GetAttribute("Tag") == "a" ? 3000 : 1500;
      if (read->GetFlatIndex().size() != expected) ++failures;
    }
    ++reads;
  }
  writer.join();
  EXPECT_EQ(failures, 0) << "of " << reads << " reads";
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"inv.hxi"});
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

// A base cut short anywhere is refused: the delta must never be taken against half a document.
TEST(InventoryBaseFile, EveryIncompleteBaseIsRefused) {
  hxtest::TempDirC dir("inv-save");
  const FileNameC file(dir.File("inv.hxi"));
  auto inv = Inventory(4);
  TrkTrackC::AddClass(inv.get(), "Cpu", "cpu0", "")->AddProperty("Speed", " 3 GHz ");
  ASSERT_EQ(XmlSaveFile(&file, inv.get()), hx::RC_OK);
  const std::string whole = hxtest::ReadFile(file.str());
  const size_t complete = whole.rfind("</Inventory>") + std::strlen("</Inventory>");
  const FileNameC base(dir.File("base.hxi"));
  int accepted = 0;
  for (size_t length = 0; length < complete; ++length) {
    hxtest::WriteFile(base.str(), whole.substr(0, length));
    RefM<TrkInventoryC> read;
    if (TrkInventoryDocTypeHandlerC::ReadFile(base, &read) >= 0 || read) ++accepted;
  }
  EXPECT_EQ(accepted, 0) << "prefixes of " << complete << " bytes";

  // The whole file still reads.
  RefM<TrkInventoryC> read;
  EXPECT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(file, &read), hx::RC_OK);
  EXPECT_EQ(read->GetFlatIndex().size(), 5u);
}

}  // namespace
