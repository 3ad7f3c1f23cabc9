

#include "foundation/files/FileService.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

class FilesServiceTest : public ::testing::Test {
 protected:
  FileNameC path(const std::string& rel) const { return FileNameC(dir_.File(rel)); }
  void write(const std::string& rel, const std::string& content, mode_t mode = 0644) const {
    ::chmod(dir_.Write(rel, content).c_str(), mode);
  }
  static std::string read(const FileNameC& p) { return hxtest::ReadFile(p.str()); }
  // Names in a directory, sorted.
  static std::vector<std::string> list(const FileNameC& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.str())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  FileServiceC& svc = *FileService();
  hxtest::TempDirC dir_{"hx-files"};
  std::string root_ = dir_.Path();
};

// Existence, length, time and type of each kind of entry, through links or of the link itself.
TEST_F(FilesServiceTest, StatusQueriesAndFileInfo) {
  write("file", std::string(1234, 'x'), 0751);
  ::mkdir(path("dir").c_str(), 0700);
  ::symlink("file", path("link").c_str());
  ::symlink("missing", path("dangling").c_str());
  ::mkfifo(path("fifo").c_str(), 0600);
  struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
  ::utimensat(AT_FDCWD, path("file").c_str(), times, 0);
  struct StatusCase { const char* rel; bool exists; int64_t length; time_t modified; };
  const StatusCase statusCases[] = {
      {"file", true, 1234, 1234567890},
      {"link", true, 1234, 1234567890},  // through the link
      {"dangling", false, -1, -1},
      {"nothing", false, -1, -1},
  };
  for (const auto& c : statusCases) {
    SCOPED_TRACE(c.rel);
    EXPECT_EQ(svc.exists(path(c.rel)), c.exists);
    EXPECT_EQ(svc.length(path(c.rel)), c.length);
    EXPECT_EQ(svc.lastModified(path(c.rel)), c.modified);
  }
  EXPECT_TRUE(svc.exists(path("dir")));
  EXPECT_EQ(svc.listRoots(), FileNameArrayC{FileNameC("/")});

  struct InfoCase { std::string path; bool follow; FileInfoC::TypeE type; uint32_t permissions; };
  const InfoCase infoCases[] = {
      {path("file").str(), false, FileInfoC::Regular, 0751},
      {path("dir").str(), false, FileInfoC::Directory, 0700},
      {path("link").str(), false, FileInfoC::SymbolicLink, 0777},
      {path("link").str(), true, FileInfoC::Regular, 0751},
      {path("fifo").str(), false, FileInfoC::Fifo, 0600},
      {"/dev/null", false, FileInfoC::CharDevice, 0666},
  };
  for (const auto& c : infoCases) {
    SCOPED_TRACE(c.path);
    FileInfoC info;
    ASSERT_EQ(svc.info(FileNameC(c.path), &info, c.follow), 0);
    EXPECT_TRUE(info.hasStatus());
    EXPECT_EQ(info.type(), c.type);
    EXPECT_EQ(info.permissions(), c.permissions);
  }
  FileInfoC info;
  EXPECT_EQ(svc.info(path("nothing"), &info, false), hx::RcFromErrno(ENOENT));
  EXPECT_FALSE(info.hasStatus());
}

TEST_F(FilesServiceTest, CopyKeepsContentAndPermissionsAndNeverShowsPartFiles) {
  std::string content;
  for (int i = 0; i < 300000; ++i) content.push_back(static_cast<char>(i * 7));
  write("src", content, 0640);
  ::mkdir(path("out").c_str(), 0755);
  write("out/existing", "old");
  struct Case { std::string from, to; hx::ResultT rc; std::string wantTo; };
  const Case cases[] = {
      {"src", "out/copy", 0, content},
      {"src", "out/existing", 0, content},  // replaced whole
      {"missing", "out/other", hx::RcFromErrno(ENOENT), ""},
      {"out", "out/dircopy", hx::RcFromErrno(EISDIR), ""},
      {"src", "nodir/copy", hx::RcFromErrno(ENOENT), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    EXPECT_EQ(svc.copy(path(c.from), path(c.to), 0, 0), c.rc);
    if (c.rc == 0) {
      EXPECT_EQ(read(path(c.to)), c.wantTo);
      struct stat st;
      ASSERT_EQ(::stat(path(c.to).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u);
    } else {
      EXPECT_FALSE(svc.exists(path(c.to)));
    }
  }
  // No temporary file left beside the targets.
  EXPECT_EQ(list(path("out")), (std::vector<std::string>{"copy", "existing"}));
}

TEST_F(FilesServiceTest, RemoveMkdirAndRename) {
  // mkdir
  EXPECT_EQ(svc.mkdir(path("a/b/c"), false), hx::RcFromErrno(ENOENT));
  EXPECT_EQ(svc.mkdir(path("a/b/c"), true), 0);
  EXPECT_TRUE(fs::is_directory(path("a/b/c").str()));
  EXPECT_EQ(svc.mkdir(path("a/b/c"), false), 0);  // already there
  EXPECT_EQ(svc.mkdir(path("a/b/c/"), true), 0);
  write("a/file", "x");
  EXPECT_EQ(svc.mkdir(path("a/file"), true), hx::RcFromErrno(EEXIST));
  EXPECT_EQ(svc.mkdir(path("a/file/sub"), true), hx::RcFromErrno(ENOTDIR));

  // rename
  EXPECT_EQ(svc.rename(path("a/file"), path("a/b/moved")), 0);
  EXPECT_EQ(read(path("a/b/moved")), "x");
  EXPECT_FALSE(svc.exists(path("a/file")));
  EXPECT_EQ(svc.rename(path("a/file"), path("a/again")), hx::RcFromErrno(ENOENT));

  // remove, one entry at a time and whole trees; links go, their targets stay
  ::mkdir(path("outside").c_str(), 0755);
  write("outside/keep", "k");
  ::symlink(path("outside").c_str(), path("a/b/c/toOutside").c_str());
  write("a/b/c/deep", "d");
  EXPECT_EQ(svc.remove(path("a/b/moved"), 0), 0);
  EXPECT_FALSE(svc.exists(path("a/b/moved")));
  EXPECT_EQ(svc.remove(path("a"), 0), hx::RcFromErrno(ENOTEMPTY));
  EXPECT_EQ(svc.remove(path("nothing"), hx::REMOVE_RECURSIVE), hx::RcFromErrno(ENOENT));
  EXPECT_EQ(svc.remove(path("a"), hx::REMOVE_RECURSIVE), 0);
  EXPECT_FALSE(fs::exists(path("a").str()));
  EXPECT_EQ(read(path("outside/keep")), "k");
  EXPECT_EQ(svc.remove(path("outside/keep"), 0), 0);
  EXPECT_EQ(svc.remove(path("outside"), 0), 0);
  EXPECT_TRUE(list(FileNameC(root_)).empty());
}

TEST_F(FilesServiceTest, RenameAcrossFileSystems) {
  const hxtest::TempDirC shm("hx-files", "/dev/shm");
  const std::string other = shm.Path();
  struct stat here, there;
  if (!shm.ok() || ::stat(root_.c_str(), &here) != 0 || ::stat(other.c_str(), &there) != 0 ||
      here.st_dev == there.st_dev) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  write("inventory.hxi", "<Inventory/>", 0600);
  const FileNameC target(other + "/prev.hxi");
  EXPECT_EQ(svc.rename(path("inventory.hxi"), target), 0);
  EXPECT_FALSE(svc.exists(path("inventory.hxi")));
  EXPECT_EQ(read(target), "<Inventory/>");
  ::stat(target.c_str(), &there);
  EXPECT_EQ(there.st_mode & 0777, 0600u);
  // A directory does not move across file systems.
  ::mkdir(path("dir").c_str(), 0755);
  EXPECT_EQ(svc.rename(path("dir"), FileNameC(other + "/dir")), hx::RcFromErrno(EXDEV));
}

TEST_F(FilesServiceTest, SystemPathFollowsTheSystemRootOnly) {
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root_.c_str());
  EXPECT_EQ(svc.systemPath("/etc/mnttab"), root_ + "/etc/mnttab");
  // Paths given to the service itself are used as they are.
  write("probe", "p");
  EXPECT_FALSE(svc.exists(FileNameC("/probe")));
  env.Set("TARVOSKSYSROOT", nullptr);
  EXPECT_EQ(svc.systemPath("/etc/mnttab"), "/etc/mnttab");
}

}  // namespace
