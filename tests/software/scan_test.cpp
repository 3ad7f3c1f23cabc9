#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "foundation/messages/Errors.h"
#include "packages/db/PackageDbMessages.h"
#include "packages/PackagesTestSupport.h"
#include "software/SoftwareTestSupport.h"
#include "software/TrkFileReader.h"

namespace {

using swtest::Md5Of;
using swtest::ScanC;
using swtest::ScanT;

constexpr time_t c_Time = 1700000000;  // 20231114T221320 in universal time
constexpr const char* c_TimeText = "20231114T221320";
const std::string c_EmptyMd5 = Md5Of("");

class ScanTest : public ::testing::Test {
 protected:
  // A file with fixed content and modification time.
  std::string File(const std::string& rel, const std::string& content, mode_t mode = 0644) {
    const std::string path = tree_.Write(rel, content);
    ::chmod(path.c_str(), mode);
    const struct timespec times[2] = {{c_Time, 0}, {c_Time, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
  }
  // The line Show() gives for a tracked file.
  std::string Line(const std::string& path, const std::string& md5, size_t size, const std::string& more = "") {
    return path + "|" + c_TimeText + "|" + md5 + "|" + std::to_string(size) + more;
  }
  std::string In(const std::string& rel) const { return "IncludeDirectory=" + tree_.File(rel); }

  hxtest::ScopedTimeZoneC utc_{"UTC"};
  hxtest::TempDirC tree_{"hxsw-tree"};
  ScanC scan_;
};

// What a walk tracks and what it writes for each file.
TEST_F(ScanTest, TracksFilesWithTheirEntities) {
  const std::string lib = File("opt/lib/libx.so", "library");
  const std::string tool = File("opt/bin/tool", "#!/bin/sh\n", 0755);
  const std::string tag = File("opt/share/p.swidtag", "<tag/>");
  File("opt/share/notes.txt", "not tracked");
  File("opt/tmp/liby.so", "excluded directory");
  File("opt/skip/libz.so", "excluded for both");
  ASSERT_EQ(::symlink(lib.c_str(), tree_.File("opt/lib/link.so").c_str()), 0);
  ASSERT_EQ(::symlink(tree_.File("opt/lib").c_str(), tree_.File("opt/linkdir").c_str()), 0);
  ASSERT_EQ(::mkfifo(tree_.File("opt/lib/fifo.so").c_str(), 0644), 0);
  const std::string swidtag = Line(tag, Md5Of("<tag/>"), 6);

  struct CaseT {
    const char* what;
    std::vector<std::string> options;
    std::vector<std::string> files;
  } cases[] = {
      {"digests",
       {In("opt"), "IncludeExtension=so", "GenerateMD5=True", "ExcludeDirectory=" + tree_.File("opt/tmp") + ";" +
                                                                   tree_.File("opt/skip"),
        "ExcludeEmbedFileContentDirectory=" + tree_.File("opt/skip")},
       {Line(tool, Md5Of("#!/bin/sh\n"), 10), Line(lib, Md5Of("library"), 7)}},
      {"no digests but for tags",
       {In("opt"), "IncludeExtension=so;swidtag"},
       {Line(tool, "NO_MD5", 10), Line(lib, "NO_MD5", 7), swidtag, Line(tree_.File("opt/skip/libz.so"), "NO_MD5", 17),
        Line(tree_.File("opt/tmp/liby.so"), "NO_MD5", 18)}},
      {"no recursion", {In("opt/lib"), "IncludeExtension=so", "Recurse=False"}, {Line(lib, "NO_MD5", 7)}},
      {"no recursion below the root", {In("opt"), "IncludeExtension=so", "Recurse=False"}, {}},
      {"root in both exclude lists",
       {In("opt"), "IncludeExtension=so", "ExcludeDirectory=" + tree_.File("opt"),
        "ExcludeEmbedFileContentDirectory=" + tree_.File("opt")},
       {}},
      {"a root that is a link", {In("opt/linkdir"), "IncludeExtension=so"}, {}},
  };
  for (const CaseT& c : cases) {
    const ScanT scan = scan_.Run(c.options);
    EXPECT_EQ(scan.result, hx::RC_OK) << c.what;
    EXPECT_EQ(scan.files, c.files) << c.what;
  }
}

TEST_F(ScanTest, LogsTheRulesAndTheDirectoriesScanned) {
  File("opt/a.so", "a");
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so;.sys", "ExcludeFile=*.log", "IncludePermissionsMask=!002",
                                "ExcludeDirectory=" + tree_.File("opt/x")});
  for (const std::string& line : std::vector<std::string>{
           "Started tracking software", "Started tracking files", "File tracking looking for files in directories '" +
                                                                   tree_.File("opt") + "'",
        "File tracking looking for files not in directories '" + tree_.File("opt/x") + "'",
        std::string("File tracking looking for files with extensions 'so;.sys'"),
        std::string("File tracking looking for files without names '*.log'"),
        std::string("File tracking looking for files with permissions mask '!002'"),
        "Scanning directory '" + tree_.File("opt") + "' for files", std::string("Finished tracking files"),
        std::string("Finished tracking software")}) {
    EXPECT_TRUE(hxtest::Contains(scan.log, line)) << line;
  }
  EXPECT_FALSE(hxtest::Contains(scan.log, "with MD5 values")) << "empty rules are not listed";
  EXPECT_FALSE(hxtest::Contains(scan.log, "looking to exclude files with permissions mask"));

  const ScanT pruned = scan_.Run({In("opt"), "ExcludeDirectory=" + tree_.File("opt"),
                                  "ExcludeEmbedFileContentDirectory=" + tree_.File("opt")});
  EXPECT_FALSE(hxtest::Contains(pruned.log, "Scanning directory")) << "a pruned root is only traced";
}

TEST_F(ScanTest, EmbedsContentOfTheEmbeddingSubtrees) {
  const std::string tag = File("opt/tags/p.swidtag", "<SoftwareIdentity name=\"x\"/>");
  const std::string empty = File("opt/tags/empty.swidtag", "");
  const std::string big = File("opt/tags/big.swidtag", std::string(100, 'b'));
  const ScanT scan = scan_.Run({"EmbedFileContentDirectory=" + tree_.File("opt/tags"), "EmbedFileContentMaxSize=99",
                                "GenerateMD5=True"});
  EXPECT_EQ(scan.files,
            (std::vector<std::string>{Line(empty, c_EmptyMd5, 0, "|Value="),
                                      Line(tag, Md5Of("<SoftwareIdentity name=\"x\"/>"), 28,
                                           "|Value=" + trk::Base64Encode("<SoftwareIdentity name=\"x\"/>"))}));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Ignoring file content '" + big + "' ('100') bytes which is larger than the "
                                                                           "limit of '99' bytes"));
  EXPECT_EQ(trk::Base64Encode(std::string("\0\xff\x10yes", 6)), "AP8QeWVz");
}

// Between the walk and the read the file changes: the digest is that of what was read, or
// empty; a name that now leads elsewhere is neither read nor embedded.
TEST_F(ScanTest, FilesChangingUnderTheScan) {
  const std::string secret = File("secret", "root only", 0600);
  struct CaseT {
    const char* what;
    std::function<void(const std::string&)> change;
    std::string md5;
    const char* embedded;  // null: not embedded
  } cases[] = {
      {"replaced by a link to a root-only file",
       [&](const std::string& p) {
         ::unlink(p.c_str());
         EXPECT_EQ(::symlink(secret.c_str(), p.c_str()), 0);
       },
       "", nullptr},
      {"replaced by another file",
       [&](const std::string& p) { EXPECT_EQ(::rename(File("other", "abcd").c_str(), p.c_str()), 0); }, "", nullptr},
      {"vanished", [](const std::string& p) { ::unlink(p.c_str()); }, "", nullptr},
      {"shrunk", [](const std::string& p) { EXPECT_EQ(::truncate(p.c_str(), 2), 0); }, Md5Of("ab"), "ab"},
      {"grown", [](const std::string& p) { std::ofstream(p, std::ios::app) << "ef"; }, Md5Of("abcdef"), "abcdef"},
  };
  for (const CaseT& c : cases) {
    const std::string path = File("opt/tags/f.txt", "abcd");
    swtest::HookTrackerC tracker;
    tracker.hook = [&](TrkInventoryEntityC*) {
      c.change(path);
      return TrkNoDecision;
    };
    const ScanT scan = scan_.Run({"EmbedFileContentDirectory=" + tree_.File("opt/tags"),
                                  "EmbedFileContentExtension=txt", "GenerateMD5=True"},
                                 {}, &tracker);
    const std::string value = c.embedded ? "|Value=" + trk::Base64Encode(c.embedded) : "";
    EXPECT_EQ(scan.files, std::vector<std::string>{Line(path, c.md5, 4, value)}) << c.what;
    EXPECT_EQ(hxtest::Contains(scan.log, "Failed to include file content for '" + path + "'"), c.embedded == nullptr)
        << c.what;
    ::unlink(path.c_str());
  }
}

TEST_F(ScanTest, ContentHookDecidesFirst) {
  const std::string a = File("opt/a.bin", "a");
  const std::string b = File("opt/b.so", "b");
  swtest::HookTrackerC tracker;
  tracker.hook = [](TrkInventoryEntityC* content) {
    const std::string& path = content->GetFirstChild()->GetAttribute("Path");
    return hx::EndsWith(path, ".bin") ? TrkInclude : hx::EndsWith(path, ".so") ? TrkExclude : TrkNoDecision;
  };
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so"}, {}, &tracker);
  EXPECT_EQ(scan.files, std::vector<std::string>{Line(a, "NO_MD5", 1)});
}

TEST_F(ScanTest, CancellationEndsTheWalk) {
  for (int i = 0; i < 5; ++i) File("opt/f" + std::to_string(i) + ".so", "x");
  int polls = 0;
  TrkSoftwareHostT host;
  host.checkCancel = [&polls]() { return ++polls > 2 ? hx::RC_FAIL : hx::RC_OK; };
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so"}, host);
  EXPECT_EQ(scan.result, hx::RC_FAIL);
  EXPECT_EQ(scan.files.size(), 2u);
  EXPECT_EQ(polls, 3);
  EXPECT_FALSE(hxtest::Contains(scan.log, "Finished tracking software"));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Finished tracking files"));
}

// The package database is rebuilt before the walk and names the products of owned files; its
// failures become log lines and leave the error buffer as it was.
TEST_F(ScanTest, ProductsFromThePackageDatabase) {
  const std::string owned = File("opt/lib/libowned.so", "o");
  const std::string other = File("opt/lib/libother.so", "p");
  pkgtest::TestKindC kind("SUNPKG", {{"SUNWowned", "2:1.4-7", {owned}}});
  getErrBuf()->reset();
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so", "PackageDatabaseTypes=SUNPKG,NOSUCH"});
  EXPECT_EQ(scan.files, (std::vector<std::string>{Line(other, "NO_MD5", 1),
                                                  Line(owned, "NO_MD5", 1, "|ProductName=SUNWowned|ProductVersion=2:1.4-7")}));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Started package database update for package types 'SUNPKG,NOSUCH' into '"));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Error: Failed to list packages of type NOSUCH for database "));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Package database update failed.  Return code " + std::to_string(trk::MSG_PKGDB_LIST)));
  EXPECT_EQ(getErrBuf()->count(), 0u);

  const ScanT noVersions = scan_.Run({In("opt"), "IncludeExtension=so", "PackageDatabaseTypes=SUNPKG", "VersionInfo=False"});
  EXPECT_EQ(noVersions.files, (std::vector<std::string>{Line(other, "NO_MD5", 1), Line(owned, "NO_MD5", 1)}));
  EXPECT_TRUE(hxtest::Contains(noVersions.log, "Finished updating package database"));
}

// Only the file systems of the mount table that may be walked are entered.
TEST_F(ScanTest, WalksOnlyTheFileSystemsAllowed) {
  File("opt/a.so", "a");
  hxtest::TempDirC root("hxsw-root");
  root.Write("etc/mnttab", "/dev/null\t/\tufs\trw\t0\nhost:/export\t/net\tnfs\trw\t0\n");
  scan_.sysRoot = root.Path();
  struct CaseT {
    std::vector<std::string> options;
    size_t files;
    std::vector<std::string> lines;
  } cases[] = {
      {{In("opt"), "IncludeExtension=so"},
       1,
       {"mount point '/' of type 'ufs' will be included", "mount point '/net' of type 'nfs' will be excluded"}},
      {{In("opt"), "IncludeExtension=so", "ExcludeFileSystemType=UFS"}, 0, {"mount point '/' of type 'ufs' will be excluded"}},
      {{In("opt"), "IncludeExtension=so", "IncludeNetworkDrives=True", "IncludeFileSystemType=zfs"},
       0,
       {"mount point '/' of type 'ufs' will be excluded", "mount point '/net' of type 'nfs' will be included"}},
  };
  for (const CaseT& c : cases) {
    const ScanT scan = scan_.Run(c.options);
    EXPECT_EQ(scan.files.size(), c.files) << c.options.back();
    for (const std::string& line : c.lines) EXPECT_TRUE(hxtest::Contains(scan.log, line)) << line;
  }
  root.Write("etc/mnttab", "");
  EXPECT_TRUE(scan_.Run({In("opt"), "IncludeExtension=so"}).files.empty()) << "no mount table, no walk";
}

}  // namespace
