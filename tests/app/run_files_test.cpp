// The names of the run's own files: machine names made safe, where the inventory file lies,
// and which temporary files a later run clears.

#include "app/driver/TrkRunFiles.h"
#include "support/TestSupport.h"

namespace {

TEST(RunFiles, MachineNamesInFileNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"web01.example.com", "web01.example.com"}, {"../../etc/cron.d", "_._.._etc_cron.d"},
      {".", "_"}, {"", "_"}, {"a b\tc\x01", "a_b_c_"}, {"h\xc3\xa9te", "h__te"}, {"$(UserName)", "__UserName_"},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(trk::SafeFileNamePart(name), safe) << name;
}

TEST(RunFiles, InventoryPath) {
  struct CaseT { const char* dir; const char* name; const char* job; const char* path; };
  const CaseT cases[] = {
      {"/inv", "m.hxi", "", "/inv/m.hxi"},
      {"/inv", "sub/m.hxi", "J", "/inv/sub/J_m.hxi"},
      {"/inv", "/abs/m.hxi", "", "/abs/m.hxi"},
      {"/inv", "/abs/m.hxi", "J", "/abs/J_m.hxi"},
  };
  for (const CaseT& c : cases) EXPECT_EQ(trk::InventoryPath(c.dir, c.name, c.job).str(), c.path) << c.name;
}

// A run's temporary file is new, private and named after the run's process; once that process
// is gone the file is cleared, and nothing else is.
TEST(RunFiles, TemporaryFilesOfGoneRunsAreCleared) {
  hxtest::TempDirC dir("hxrunfiles");
  const FileNameC mine = trk::CreateRunTempFile(FileNameC(dir.Path()), ".hxi");
  ASSERT_FALSE(mine.empty());
  struct stat st {};
  ASSERT_EQ(::stat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);
  EXPECT_EQ(mine.baseName().rfind("tvk" + std::to_string(::getpid()) + "_", 0), 0u) << mine.str();

  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = "tvk" + std::to_string(gone) + "_";
  for (const std::string& name : {dead + "aB3xY9.hxi", "." + dead + "Zz0000.hxi.q1w2e3.tmp", dead + "ab.hxi",
                                  std::string("tvk1_aB3xY9.hxi"), std::string("other.hxi")})
    dir.Write(name, "x");
  EXPECT_EQ(trk::RemoveStaleRunFiles(FileNameC(dir.Path())), 2u);
  std::vector<std::string> kept = {"other.hxi", mine.baseName(), dead + "ab.hxi", "tvk1_aB3xY9.hxi"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(hxtest::FilesIn(dir.Path()), kept);
}

}  // namespace
