
#include <dirent.h>
#include <sys/resource.h>

#include "foundation/files/FileService.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

class FilesListerTest : public ::testing::Test {
 protected:
  std::string path(const std::string& rel) const { return root_ + "/" + rel; }
  void makeFile(const std::string& rel) const { ASSERT_EQ(::close(::creat(path(rel).c_str(), 0644)), 0); }
  void makeDir(const std::string& rel) const { ASSERT_EQ(::mkdir(path(rel).c_str(), 0755), 0); }
  void makeLink(const std::string& target, const std::string& rel) const {
    ASSERT_EQ(::symlink(target.c_str(), path(rel).c_str()), 0);
  }
  // A small tree with files and directories on two levels.
  void makeTree() const {
    for (const char* d : {"a", "a/y", "c", "c/deep", "c/deep/er"}) makeDir(d);
    for (const char* f : {"a/x", "a/y/z", "b", "c/deep/er/leaf", "c/1", "c/2", "c/3"}) makeFile(f);
  }

  hxtest::TempDirC dir_{"hx-lister"};
  std::string root_ = dir_.Path();
};

struct EntryT {
  std::string name;
  bool hasStatus;
  int type;
  bool operator==(const EntryT& o) const { return name == o.name && hasStatus == o.hasStatus && type == o.type; }
};

std::ostream& operator<<(std::ostream& os, const EntryT& e) {
  return os << e.name << "(" << (e.hasStatus ? e.type : -1) << ")";
}

// Pre-order, depth first, in readdir order: the order the walker promises.
void ReferenceWalk(const std::string& dir, const std::string& shown, bool recurse, std::vector<EntryT>* out) {
  DIR* d = ::opendir(dir.c_str());
  ASSERT_NE(d, nullptr) << dir;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  for (const std::string& n : names) {
    if (n == "." || n == "..") continue;
    struct stat st;
    ASSERT_EQ(::lstat((dir + "/" + n).c_str(), &st), 0);
    const std::string name = shown.empty() ? n : shown + "/" + n;
    out->push_back({name, true, static_cast<int>(FileInfoC::TypeOfMode(st.st_mode))});
    if (recurse && S_ISDIR(st.st_mode)) ReferenceWalk(dir + "/" + n, name, recurse, out);
  }
}

// The entries a walk returns; `each` sees every name as soon as it is returned.
std::vector<EntryT> Walk(FileListerC& lister, size_t limit = 100000,
                         const std::function<void(const std::string&)>& each = nullptr) {
  std::vector<EntryT> out;
  FileNameC name;
  FileInfoC info;
  while (out.size() < limit && lister.getNext(&name, &info) == hx::RC_OK) {
    out.push_back({name.str(), info.hasStatus(), static_cast<int>(info.type())});
    if (each) each(name.str());
  }
  return out;
}

TEST_F(FilesListerTest, PreOrderInDirectoryOrder) {
  makeTree();
  for (const bool recurse : {true, false}) {
    SCOPED_TRACE(recurse);
    std::vector<EntryT> want;
    ReferenceWalk(root_, root_, recurse, &want);
    FileListerC lister = FileService()->getLister(FileNameC(root_), recurse ? hx::LIST_RECURSE : 0);
    EXPECT_EQ(Walk(lister), want);
    FileNameC name;
    FileInfoC info;
    EXPECT_EQ(lister.getNext(&name, &info), hx::RC_LIST_END);
    EXPECT_EQ(lister.lastError(), hx::RC_OK);
  }
}

TEST_F(FilesListerTest, LinksAreReportedNotEntered) {
  makeTree();
  makeLink(path("a"), "toA");
  makeLink("missing", "dangling");
  makeLink(root_, "a/back");  // a loop once links are followed
  struct Case { uint32_t flags; int toAType; bool danglingHasStatus; size_t underToA; };
  const Case cases[] = {
      {hx::LIST_RECURSE, FileInfoC::SymbolicLink, true, 0},
      // Followed: the link is a directory and is entered, the dangling one has no status, and
      // the loop back to the root is not entered again.
      {hx::LIST_RECURSE | hx::LIST_FOLLOW_LINKS, FileInfoC::Directory, false, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    FileListerC lister(FileNameC(root_), c.flags);
    const std::vector<EntryT> got = Walk(lister, 1000);
    ASSERT_LT(got.size(), 1000u);
    size_t underToA = 0;
    for (const EntryT& e : got) {
      if (e.name == path("toA")) {
        EXPECT_EQ(e.type, c.toAType);
      }
      if (e.name == path("dangling")) {
        EXPECT_EQ(e.hasStatus, c.danglingHasStatus);
      }
      if (e.name.rfind(path("toA/"), 0) == 0) ++underToA;
      EXPECT_EQ(e.name.find("/back/"), std::string::npos) << e.name;
    }
    // toA/x, toA/y, toA/y/z and toA/back when followed.
    EXPECT_EQ(underToA, c.underToA);
  }
}

// Walks root, where brokenDir is removed right after the walker returned it. Returns "" when the
// walk reported it as a nameless entry with error err, did not enter it and went on to the end,
// else what went wrong. (A directory that cannot be read for its permissions takes the same way
// as one that is gone.)
std::string WalkPastBrokenDirectory(const std::string& root, const std::string& brokenDir, int err) {
  FileListerC lister(FileNameC(root), hx::LIST_RECURSE);
  FileNameC name;
  FileInfoC info;
  std::vector<std::string> names;
  int failures = 0;
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    if (name.empty()) {
      if (info.hasStatus() || lister.lastError() != hx::RcFromErrno(err)) return "wrong error";
      if (lister.errorPath().str() != (brokenDir.empty() ? root : brokenDir)) return "wrong error path";
      lister.clearError();
      ++failures;
      continue;
    }
    names.push_back(name.str());
    if (name.str() == brokenDir) fs::remove_all(brokenDir);
  }
  if (failures != 1) return "failures: " + std::to_string(failures);
  if (lister.lastError() != hx::RC_OK) return "error left behind";
  if (brokenDir.empty()) return names.empty() ? "" : "entries of a broken root";
  for (const std::string& n : names) {
    if (n.rfind(brokenDir + "/", 0) == 0) return "entered " + n;
  }
  const bool sawRest = std::count(names.begin(), names.end(), root + "/b") == 1 &&
                       std::count(names.begin(), names.end(), root + "/c/deep/er/leaf") == 1;
  return sawRest ? "" : "walk stopped early";
}

TEST_F(FilesListerTest, UnopenableDirectoriesComeWithoutNameAndTheWalkGoesOn) {
  makeTree();
  makeFile("plain");
  EXPECT_EQ(WalkPastBrokenDirectory(root_, path("a"), ENOENT), "");  // gone before opened
  EXPECT_EQ(WalkPastBrokenDirectory(path("plain"), "", ENOTDIR), "");
  EXPECT_EQ(WalkPastBrokenDirectory(path("nothing"), "", ENOENT), "");
}

TEST_F(FilesListerTest, DeepTreeKeepsFewDescriptorsOpen) {
  constexpr int kDepth = 300;
  std::string rel;
  for (int i = 0; i < kDepth; ++i) {
    rel += (i ? "/d" : "d");
    makeDir(rel);
    makeFile(rel + "/f");
    makeFile(rel + "/g");
  }
  std::vector<EntryT> want;
  ReferenceWalk(root_, root_, true, &want);
  ASSERT_EQ(want.size(), static_cast<size_t>(3 * kDepth));

  // Far fewer descriptors than levels: a walker holding one per level would fail.
  struct rlimit old {};
  ::getrlimit(RLIMIT_NOFILE, &old);
  struct rlimit lowered = old;
  lowered.rlim_cur = std::min<rlim_t>(64, old.rlim_cur);
  ::setrlimit(RLIMIT_NOFILE, &lowered);
  FileListerC lister(FileNameC(root_), hx::LIST_RECURSE);
  size_t mostOpen = 0;
  const auto got = Walk(lister, 100000, [&](const std::string&) { mostOpen = std::max(mostOpen, lister.openHandles()); });
  ::setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(lister.lastError(), hx::RC_OK) << lister.errorPath().str();
  EXPECT_EQ(got, want);
  EXPECT_LE(mostOpen, FileListerC::c_MaxOpenDirs);
}

// A directory whose handle the walk gave up for depth, swapped for a link to a copy of it
// (same names) before the walk comes back to it: the walk says so (ESTALE, once, naming it) and
// returns nothing of the copy.
TEST_F(FilesListerTest, ADirectorySwappedForALinkIsNotWalkedThroughIt) {
  constexpr int kDepth = 12, kFiles = 30;
  hxtest::TempDirC outside("hx-outside");
  std::string rel;
  for (int level = 1; level <= kDepth; ++level) {
    rel += (level > 1 ? "/d" : "d") + std::to_string(level);
    makeDir(rel);
    for (int f = 0; f < kFiles; ++f) makeFile(rel + "/f" + std::to_string(f));
  }
  for (int f = 0; f < kFiles; ++f) outside.Write("f" + std::to_string(f), "");
  std::set<uint64_t> inside;
  for (const auto& e : fs::recursive_directory_iterator(root_)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    inside.insert(st.st_ino);
  }
  const std::string swapped = path("d1/d2");
  FileListerC lister(FileNameC(root_), hx::LIST_RECURSE);
  FileNameC name;
  FileInfoC info;
  int replaced = 0, escaped = 0;
  bool swap = true;
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    if (name.empty()) {
      replaced += lister.lastError() == hx::RcFromErrno(ESTALE) && lister.errorPath().str() == swapped;
      lister.clearError();
      continue;
    }
    escaped += info.hasStatus() && inside.count(info.inode()) == 0;
    if (swap && name.baseName() == "d" + std::to_string(kDepth)) {
      ASSERT_EQ(::rename(swapped.c_str(), (swapped + ".moved").c_str()), 0);
      ASSERT_EQ(::symlink(outside.Path().c_str(), swapped.c_str()), 0);
      swap = false;
    }
  }
  EXPECT_FALSE(swap);
  EXPECT_EQ(escaped, 0);
  EXPECT_EQ(replaced, 1);
}

class RecordingSink : public FileListingSinkI {
 public:
  long addFile(FileNameC* name) override {
    seen.push_back("F " + name->str());
    return name->baseName() == stopAt ? -5 : 0;
  }
  long addDir(FileNameC* name) override {
    seen.push_back("D " + name->str());
    return name->baseName() == prune ? 1 : 0;
  }
  long warning(const FileNameC* name, long code) override {
    seen.push_back("W " + name->str());
    codes.push_back(code);
    return 0;
  }
  std::string prune, stopAt;
  std::vector<std::string> seen;
  std::vector<long> codes;
};

TEST_F(FilesListerTest, WalkDrivesTheSink) {
  makeTree();
  makeLink("missing", "c/dangling");
  struct Case { std::string prune, stopAt; uint32_t flags; hx::ResultT rc; bool sawLeaf, sawB, warned; };
  const Case cases[] = {
      {"", "", hx::LIST_RECURSE, 0, true, true, false},
      {"c", "", hx::LIST_RECURSE, 0, false, true, false},
      {"deep", "", hx::LIST_RECURSE | hx::LIST_FOLLOW_LINKS, 0, false, true, true},
      {"", "b", hx::LIST_RECURSE, -5, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prune + "/" + c.stopAt);
    RecordingSink sink;
    sink.prune = c.prune;
    sink.stopAt = c.stopAt;
    EXPECT_EQ(FileService()->walk(FileNameC(root_), sink, c.flags), c.rc);
    auto saw = [&](const std::string& s) { return std::count(sink.seen.begin(), sink.seen.end(), s) == 1; };
    EXPECT_EQ(saw("F " + path("c/deep/er/leaf")), c.sawLeaf);
    EXPECT_EQ(saw("F " + path("b")), c.sawB);
    EXPECT_EQ(saw("W " + path("c/dangling")), c.warned);
    if (c.warned) {
      EXPECT_EQ(sink.codes.front(), hx::RcFromErrno(ENOENT));
    }
    if (c.rc < 0) {
      EXPECT_EQ(sink.seen.back(), "F " + path("b"));
    }
  }
}

}  // namespace
