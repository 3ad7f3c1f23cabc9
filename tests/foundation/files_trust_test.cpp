// Trust checks and the file-safety layer: which places pass, which are refused and what the
// refusal says, and that the run's own files are never written through a link or a FIFO.

#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "support/TestSupport.h"

namespace {

constexpr uid_t c_Stranger = 65534;

TEST(FilesTrust, PlacesAndWhyTheyAreRefused) {
  HX_TEST_NEEDS_ROOT();
  // make: answers the path checked; culprit: below the temporary directory, when refused
  struct CaseT { const char* what; std::function<std::string(const hxtest::TempDirC&)> make; hx::ResultT rc;
                 const char *culprit, *said; };
  const CaseT cases[] = {
      {"own directory", [](auto& d) { return d.Mkdir("a/b"); }, hx::RC_OK, "", ""},
      {"sticky directory writable by all",
       [](auto& d) { ::chmod(d.Mkdir("sticky").c_str(), 01777); return d.Write("sticky/f", "x"); }, hx::RC_OK, "", ""},
      {"directory of another user",
       [](auto& d) { ::chown(d.Mkdir("theirs").c_str(), c_Stranger, c_Stranger); return d.Write("theirs/f", "x"); },
       hx::RC_UNTRUSTED, "theirs", "is owned by user 65534 (nobody) with mode 0755"},
      {"group-writable file", [](auto& d) { ::chmod(d.Write("f", "x").c_str(), 0664); return d.File("f"); },
       hx::RC_UNTRUSTED, "f", "with mode 0664"},
      {"link of another user",
       [](auto& d) {
         ::symlink(d.Write("target", "x").c_str(), d.File("link").c_str());
         ::lchown(d.File("link").c_str(), c_Stranger, c_Stranger);
         return d.File("link");
       },
       hx::RC_UNTRUSTED, "link", "is a symbolic link owned by user 65534"},
      {"own link to an untrusted file",
       [](auto& d) {
         ::chmod(d.Write("loose", "x").c_str(), 0646);
         ::symlink(d.File("loose").c_str(), d.File("link").c_str());
         return d.File("link");
       },
       hx::RC_UNTRUSTED, "loose", "with mode 0646"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    hxtest::TempDirC dir("hxtrust");
    ::umask(022);
    const std::string path = c.make(dir);
    hx::TrustFailureT failure;
    EXPECT_EQ(hx::CheckTrusted(path, nullptr, &failure), c.rc);
    if (c.rc == hx::RC_OK) continue;
    EXPECT_EQ(failure.culprit, dir.File(c.culprit));
    EXPECT_NE(failure.Describe().find(c.said), std::string::npos) << failure.Describe();
  }
}

// A directory the run writes into is made component by component; a link in its place is
// refused, and a link above it is taken when it is the owner's.
TEST(FilesTrust, EnsureTrustedDirectory) {
  hxtest::TempDirC dir("hxtrust");
  EXPECT_EQ(hx::EnsureTrustedDirectory(dir.File("new/deep/dir"), nullptr), hx::RC_OK);
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("new/deep/dir").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  ::symlink(dir.File("new").c_str(), dir.File("alias").c_str());
  EXPECT_EQ(hx::EnsureTrustedDirectory(dir.File("alias/deep"), nullptr), hx::RC_OK);
  hx::TrustFailureT failure;
  EXPECT_EQ(hx::EnsureTrustedDirectory(dir.File("alias"), &failure), hx::RC_UNTRUSTED);
  EXPECT_NE(failure.Describe().find("symbolic link"), std::string::npos) << failure.Describe();
  dir.Write("file", "x");
  EXPECT_EQ(hx::EnsureTrustedDirectory(dir.File("file/sub"), nullptr), hx::RcFromErrno(ENOTDIR));
}

// The run's files are opened without following a link and only when they are regular files;
// a file replaced atomically replaces a link at its name, not what the link points to.
TEST(FilesSafety, NoLinkNoFifoAndAtomicReplacement) {
  hxtest::TempDirC dir("hxsafe");
  const std::string victim = dir.Write("victim", "keep");
  ::symlink(victim.c_str(), dir.File("link").c_str());
  ::mkfifo(dir.File("fifo").c_str(), 0600);
  hx::UniqueFdC fd;
  EXPECT_EQ(hx::OpenForWriting(dir.File("link"), O_APPEND, 0600, &fd), hx::RcFromErrno(ELOOP));
  EXPECT_EQ(hx::OpenForReading(dir.File("link"), &fd), hx::RcFromErrno(ELOOP));
  EXPECT_EQ(hx::OpenForWriting(dir.File("fifo"), 0, 0600, &fd), hx::RcFromErrno(ENXIO));  // no reader: no block
  EXPECT_EQ(hx::OpenForReading(dir.File("fifo"), &fd), hx::RcFromErrno(EINVAL));

  hx::AtomicFileC file;
  ASSERT_EQ(file.Open(dir.File("link"), 0644), hx::RC_OK);
  ASSERT_EQ(file.Write("new"), hx::RC_OK);
  ASSERT_EQ(file.Commit(), hx::RC_OK);
  EXPECT_EQ(hxtest::ReadFile(victim), "keep");
  EXPECT_FALSE(hx::IsSymbolicLink(dir.File("link")));
  EXPECT_EQ(hxtest::ReadFile(dir.File("link")), "new");

  // Not committed: nothing stays.
  {
    hx::AtomicFileC abandoned;
    ASSERT_EQ(abandoned.OpenFixed(dir.File("victim"), dir.File("victim.tmp"), 0600), hx::RC_OK);
  }
  EXPECT_EQ(hxtest::FilesIn(dir.Path()), (std::vector<std::string>{"link", "victim"}));
}

}  // namespace
