// The base of a delta, read while the phases run: the delta step gets what was read only while
// the file is still the one that was read; otherwise it reads the file itself.

#include "app/driver/TrkBaseReader.h"
#include "inventory/TrkInventory.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "tests/support/TestSupport.h"

namespace {

std::string InventoryText(const char* cpu) {
  auto inv = TrkInventoryC::New();
  EXPECT_EQ(inv->Add("Type", "Full"), hx::RC_OK);
  TrkTrackC::AddClass(inv.get(), "CPU", cpu, "kstat");
  TrkTrackC::AddClass(inv.get(), "Disk", "sd0", "devinfo");
  hxtest::TempDirC dir("base-text");
  const FileNameC file(dir.File("inv.hxi"));
  EXPECT_EQ(XmlSaveFile(&file, inv.get()), hx::RC_OK);
  return hxtest::ReadFile(file.str());
}

TEST(BaseReader, DocumentOnlyWhileTheFileIsTheOneRead) {
  using ChangeT = std::function<void(TrkBaseReaderC&, const std::string&)>;
  struct CaseT { const char* what; ChangeT change; bool asksOther; bool used; };
  const std::string text = InventoryText("cpu0"), same = InventoryText("cpu1");
  ASSERT_EQ(text.size(), same.size());
  const auto none = [](TrkBaseReaderC&, const std::string&) {};
  const CaseT cases[] = {
      {"unchanged", none, false, true},
      {"another file asked for", none, true, false},
      {"rewritten in place with its size", [&](TrkBaseReaderC&, const std::string& f) { hxtest::WriteFile(f, same); }, false, false},
      {"replaced", [&](TrkBaseReaderC&, const std::string& f) {
         hxtest::WriteFile(f + ".new", text);
         ASSERT_EQ(std::rename((f + ".new").c_str(), f.c_str()), 0);
       }, false, false},
      // Its times set back to what they were still leave the change time of now.
      {"times set back", [](TrkBaseReaderC&, const std::string& f) {
         struct stat st {};
         ASSERT_EQ(::stat(f.c_str(), &st), 0);
         const struct timespec times[2] = {st.st_atim, st.st_mtim};
         ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
       }, false, false},
      {"replaced by a link to a copy", [&](TrkBaseReaderC&, const std::string& f) {
         hxtest::WriteFile(f + ".copy", text);
         ASSERT_EQ(::unlink(f.c_str()), 0);
         ASSERT_EQ(::symlink((f + ".copy").c_str(), f.c_str()), 0);
       }, false, false},
      {"stopped", [](TrkBaseReaderC& r, const std::string&) { r.Stop(); }, false, false},
  };
  hxtest::TempDirC dir("base-read");
  std::vector<std::unique_ptr<TrkBaseReaderC>> readers;
  for (size_t i = 0; i < std::size(cases); ++i) {
    hxtest::WriteFile(dir.File(std::to_string(i)), text);
    readers.push_back(std::make_unique<TrkBaseReaderC>());
    readers.back()->Start(FileNameC(dir.File(std::to_string(i))));
  }
  // Reading a few hundred bytes takes far less: the changes come after the reads.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string file = dir.File(std::to_string(i));
    cases[i].change(*readers[i], file);
    const auto read = readers[i]->Take(FileNameC(cases[i].asksOther ? dir.File("other") : file));
    EXPECT_EQ(static_cast<bool>(read), cases[i].used) << cases[i].what;
    if (read) {
      EXPECT_EQ(read->size(), 2u) << cases[i].what;
    }
  }
}

// What the reader cannot read is never handed over: a link, a broken document, no file.
TEST(BaseReader, NothingFromWhatCannotBeRead) {
  hxtest::TempDirC dir("base-read");
  hxtest::WriteFile(dir.File("real"), InventoryText("cpu0"));
  hxtest::WriteFile(dir.File("broken"), "<?xml version=\"1.0\"?>\n<Inventory>\n\t<Hardware>\n");
  ASSERT_EQ(::symlink(dir.File("real").c_str(), dir.File("link").c_str()), 0);
  for (const char* name : {"link", "broken", "missing"}) {
    TrkBaseReaderC reader;
    reader.Start(FileNameC(dir.File(name)));
    EXPECT_FALSE(reader.Take(FileNameC(dir.File(name)))) << name;
  }
}

}  // namespace
