#include "foundation/messages/Errors.h"
#include "packages/PackagesTestSupport.h"
#include "packages/db/PackageDbMessages.h"
#include "software/SoftwareTestSupport.h"
#include "software/TrkFileReader.h"

namespace {

using swtest::Md5Of;
using swtest::ScanT;

constexpr time_t c_Time = 1700000000;  // 20231114T221320 in universal time

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
  // The line swtest::Show gives for a tracked file.
  static std::string Line(const std::string& path, const std::string& md5, size_t size, const std::string& more = "") {
    return path + "|20231114T221320|" + md5 + "|" + std::to_string(size) + more;
  }
  std::string In(const std::string& rel) const { return "IncludeDirectory=" + tree_.File(rel); }
  std::string Dir(const char* option, const std::string& rel) const { return option + ("=" + tree_.File(rel)); }

  hxtest::ScopedTimeZoneC utc_{"UTC"};
  hxtest::TempDirC tree_{"hxsw-tree"};
  swtest::ScanC scan_;
};

// What a walk tracks and what it writes for each file; the rules' summary in the log.
TEST_F(ScanTest, TracksFilesWithTheirEntities) {
  const std::string lib = File("opt/lib/libx.so", "library");
  const std::string tool = File("opt/bin/tool", "#!/bin/sh\n", 0755);
  const std::string tag = File("opt/share/p.swidtag", "<tag/>");
  const std::string excluded = File("opt/tmp/liby.so", "excluded directory");
  File("opt/share/notes.txt", "not tracked");
  ASSERT_EQ(::symlink(lib.c_str(), tree_.File("opt/lib/link.so").c_str()), 0);
  ASSERT_EQ(::symlink(tree_.File("opt/lib").c_str(), tree_.File("opt/linkdir").c_str()), 0);
  ASSERT_EQ(::mkfifo(tree_.File("opt/lib/fifo.so").c_str(), 0644), 0);
  // scanned: a root excluded for both tracking and embedding, or a link, is not
  struct CaseT { std::vector<std::string> options; std::vector<std::string> files; bool scanned; } cases[] = {
      {{In("opt"), "IncludeExtension=so", "GenerateMD5=True", Dir("ExcludeDirectory", "opt/tmp")},
       {Line(tool, Md5Of("#!/bin/sh\n"), 10), Line(lib, Md5Of("library"), 7)}, true},
      {{In("opt"), "IncludeExtension=so;swidtag"},
       {Line(tool, "NO_MD5", 10), Line(lib, "NO_MD5", 7), Line(tag, Md5Of("<tag/>"), 6), Line(excluded, "NO_MD5", 18)},
       true},
      {{In("opt/lib"), "IncludeExtension=so", "Recurse=False"}, {Line(lib, "NO_MD5", 7)}, true},
      {{In("opt"), "IncludeExtension=so", "Recurse=False"}, {}, true},
      {{In("opt"), "IncludeExtension=so", Dir("ExcludeDirectory", "opt"), Dir("ExcludeEmbedFileContentDirectory", "opt")},
       {},
       false},
      {{In("opt/linkdir"), "IncludeExtension=so"}, {}, false},
  };
  for (const CaseT& c : cases) {
    const ScanT scan = scan_.Run(c.options);
    EXPECT_EQ(scan.result, hx::RC_OK) << c.options[1];
    EXPECT_EQ(scan.files, c.files) << hx::Join(c.options, " ");
    EXPECT_EQ(hxtest::Contains(scan.log, "Scanning directory '"), c.scanned) << hx::Join(c.options, " ");
  }
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so;.sys", "IncludePermissionsMask=!002"});
  for (const char* line : {"Started tracking files", "Finished tracking files", "Finished tracking software",
                                  "File tracking looking for files with extensions 'so;.sys'",
                                  "File tracking looking for files with permissions mask '!002'"})
    EXPECT_TRUE(hxtest::Contains(scan.log, line)) << line;
  EXPECT_FALSE(hxtest::Contains(scan.log, "with MD5 values")) << "empty rules are not listed";
  EXPECT_FALSE(hxtest::Contains(scan.log, "looking to exclude files with permissions mask"));
}

TEST_F(ScanTest, EmbedsContentOfTheEmbeddingSubtrees) {
  const std::string tag = File("opt/tags/p.swidtag", "<SoftwareIdentity name=\"x\"/>");
  const std::string empty = File("opt/tags/empty.swidtag", "");
  const std::string big = File("opt/tags/big.swidtag", std::string(100, 'b'));
  const ScanT scan = scan_.Run({Dir("EmbedFileContentDirectory", "opt/tags"), "EmbedFileContentMaxSize=99"});
  EXPECT_EQ(scan.files, (std::vector<std::string>{Line(empty, Md5Of(""), 0, "|Value="),
                                                  Line(tag, Md5Of("<SoftwareIdentity name=\"x\"/>"), 28,
                                                       "|Value=PFNvZnR3YXJlSWRlbnRpdHkgbmFtZT0ieCIvPg==")}));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Ignoring file content '" + big + "' ('100') bytes which is larger than the "
                                                                           "limit of '99' bytes"));
  EXPECT_EQ(trk::Base64Encode(std::string("\0\xff\x10yes", 6)), "AP8QeWVz");
}

// Between the walk and the read the file changes (in the content hook, which runs between
// them): the digest is that of what was read, or empty; a name that now leads elsewhere is
// neither read nor embedded.
TEST_F(ScanTest, FilesChangingUnderTheScan) {
  const std::string secret = File("secret", "root only", 0600);
  // embedded: null when not embedded
  struct CaseT { std::function<void(const std::string&)> change; std::string md5; const char* embedded; } cases[] = {
      {[&](const std::string& p) { EXPECT_EQ(::unlink(p.c_str()) + ::symlink(secret.c_str(), p.c_str()), 0); }, "", nullptr},
      {[&](const std::string& p) { EXPECT_EQ(::rename(File("other", "abcd").c_str(), p.c_str()), 0); }, "", nullptr},
      {[](const std::string& p) { ::unlink(p.c_str()); }, "", nullptr},
      {[](const std::string& p) { EXPECT_EQ(::truncate(p.c_str(), 2), 0); }, Md5Of("ab"), "ab"},
      {[](const std::string& p) { std::ofstream(p, std::ios::app) << "ef"; }, Md5Of("abcdef"), "abcdef"},
  };
  for (const CaseT& c : cases) {
    const std::string path = File("opt/tags/f.txt", "abcd");
    swtest::HookTrackerC tracker;
    tracker.hook = [&](TrkInventoryEntityC*) { c.change(path); return TrkNoDecision; };
    const ScanT scan = scan_.Run(
        {Dir("EmbedFileContentDirectory", "opt/tags"), "EmbedFileContentExtension=txt", "GenerateMD5=True"}, {}, &tracker);
    const std::string value = c.embedded ? "|Value=" + trk::Base64Encode(c.embedded) : "";
    EXPECT_EQ(scan.files, std::vector<std::string>{Line(path, c.md5, 4, value)});
    EXPECT_EQ(hxtest::Contains(scan.log, "Failed to include file content for '" + path + "'"), c.embedded == nullptr);
    ::unlink(path.c_str());
  }
}

TEST_F(ScanTest, ContentHookAndCancellation) {
  for (int i = 0; i < 4; ++i) File("opt/f" + std::to_string(i) + ".so", "x");
  const std::string bin = File("opt/a.bin", "a");
  swtest::HookTrackerC tracker;
  tracker.hook = [](TrkInventoryEntityC* content) {
    const std::string& path = content->GetFirstChild()->GetAttribute("Path");
    return hx::EndsWith(path, ".bin") ? TrkInclude : hx::EndsWith(path, ".so") ? TrkExclude : TrkNoDecision;
  };
  EXPECT_EQ(scan_.Run({In("opt"), "IncludeExtension=so"}, {}, &tracker).files, std::vector<std::string>{Line(bin, "NO_MD5", 1)});

  int polls = 0;
  TrkSoftwareHostT host;
  host.checkCancel = [&polls]() { return ++polls > 2 ? hx::RC_FAIL : hx::RC_OK; };
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so"}, host);
  EXPECT_EQ(scan.result, hx::RC_FAIL);
  EXPECT_EQ(scan.files.size(), 2u);
  EXPECT_FALSE(hxtest::Contains(scan.log, "Finished tracking software"));
}

// Product data: from a product or component tag file that declares a name and a version,
// otherwise from the package database, which is rebuilt before the walk; its failures become
// log lines and leave the error buffer as it was.
TEST_F(ScanTest, ProductDataFromTagsOrThePackageDatabase) {
  const std::string tag = "<t><ProductName> Widget Server </ProductName><ProductVersion>7.1</ProductVersion></t>";
  const std::string part = "<t><ComponentName>Core</ComponentName></t>", half = "<t><ProductName>x</ProductName>";
  const std::string product = File("opt/product.SWTAG", tag);
  const std::string noVersion = File("opt/part.cmptag", part);
  const std::string broken = File("opt/broken.swtag", half);
  const std::string lib = File("opt/lib.so", "o");
  File("opt/other.so", "p");
  pkgtest::TestKindC kind("SUNPKG", {{"SUNWwidget", "2:1.4-7", {product, noVersion, broken, lib}}});
  getErrBuf()->reset();
  const ScanT scan = scan_.Run({In("opt"), "IncludeExtension=so;swtag;cmptag", "PackageDatabaseTypes=SUNPKG,NOSUCH"});
  const std::string fromDatabase = "|ProductName=SUNWwidget|ProductVersion=2:1.4-7";
  EXPECT_EQ(scan.files, (std::vector<std::string>{Line(broken, "NO_MD5", half.size(), fromDatabase), Line(lib, "NO_MD5", 1, fromDatabase),
                                                  Line(tree_.File("opt/other.so"), "NO_MD5", 1),
                                                  Line(noVersion, "NO_MD5", part.size(), fromDatabase),
                                                  Line(product, "NO_MD5", tag.size(), "|FileDescription=Widget Server|FileVersion=7.1")}));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Started package database update for package types 'SUNPKG,NOSUCH' into '"));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Error: Failed to list packages of type NOSUCH for database "));
  EXPECT_TRUE(hxtest::Contains(scan.log, "Package database update failed.  Return code " + std::to_string(trk::MSG_PKGDB_LIST)));
  EXPECT_EQ(getErrBuf()->count(), 0u);
  EXPECT_EQ(scan_.Run({In("opt"), "IncludeExtension=so", "VersionInfo=False"}).files[0], Line(lib, "NO_MD5", 1));
}

}  // namespace
