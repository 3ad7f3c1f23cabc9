#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MountTable.h"
#include "software/TrkFileRules.h"

namespace {

using namespace trk;

// A digest source that counts how often it is asked.
class CountingDigestC : public FileDigestSourceI {
 public:
  explicit CountingDigestC(std::string digest) : digest_(std::move(digest)) {}
  const std::string& Digest() override {
    ++calls;
    return digest_;
  }
  int calls = 0;

 private:
  std::string digest_;
};

TEST(FileRulesTest, PathFormsAndComparisons) {
  EXPECT_EQ(GetPlatformPath("/opt", "a"), "/opt/a");
  EXPECT_EQ(GetPlatformPath("/opt/", "a"), "/opt/a");
  EXPECT_EQ(GetPlatformPath("/", "a"), "/a");
  EXPECT_EQ(GetPlatformPath("/opt/", ""), "/opt");
  EXPECT_EQ(GetPlatformPath("/a/", ""), "/a/") << "three characters or fewer keep their slash";
  EXPECT_EQ(GetPlatformExtension("/opt/lib.d/tool"), "d/tool");
  EXPECT_EQ(GetPlatformExtension("/opt/x.tar.gz"), "gz");
  EXPECT_EQ(GetPlatformExtension("/opt/tool"), "");
  EXPECT_EQ(BaseNameOf("/opt/lib.d/tool"), "tool");

  struct CaseT {
    bool (*compare)(std::string_view, std::string_view);
    const char* value;
    const char* entry;
    bool match;
  } cases[] = {
      {CompareDirectory, "/opt/app/", "/OPT/App", true},
      {CompareDirectory, "/opt/app", "/opt/*", true},
      {CompareDirectory, "/opt/app/lib", "/opt", false},
      {CompareDirectory, "/opt/app", "\\opt\\app", true},
      {CompareFile, "README", "readme", true},
      {CompareFile, "a.log", "*.log", true},
      {CompareFile, "a.log", "?.LOG", true},
      {CompareFile, "ab.log", "?.log", false},
      {CompareExtension, "so", ".so", true},
      {CompareExtension, "so", "so", true},
      {CompareExtension, "so", "*.so", false},
      {CompareExtension, "1.so", "*.so", true},
      {CompareExtension, "so", "..so", true},
      {CompareMD5, "d41d8cd98f00b204e9800998ecf8427e", "D41D8CD98F00B204E9800998ECF8427E", true},
      {CompareMD5, "d41d8cd98f00b204e9800998ecf8427e", "d41d8cd98f00b204e9800998ecf8427", false},
  };
  for (const CaseT& c : cases) EXPECT_EQ(c.compare(c.value, c.entry), c.match) << c.value << " ~ " << c.entry;
}

TEST(FileRulesTest, SubtreesCompareWholeComponentsExactly) {
  struct CaseT {
    StringArrayC list;
    const char* path;
    bool child;
  } cases[] = {
      {{"/opt"}, "/opt/app/x", true},
      {{"/opt"}, "/opt", true},
      {{"/opt/"}, "/opt//app", true},
      {{"/opt"}, "/optional/x", false},
      {{"/Opt"}, "/opt/x", false},
      {{"opt"}, "/opt/x", false},
      {{"opt"}, "opt/x", true},
      {{"/"}, "/anything", true},
      {{"\\"}, "relative/too", true},
      {{"/usr", "/opt/app"}, "/opt/app/bin/x", true},
      {{}, "/opt", false},
  };
  for (const CaseT& c : cases) EXPECT_EQ(IsChildOfDirectories(c.list, c.path), c.child) << c.path;
}

TEST(FileRulesTest, PermissionMasks) {
  struct CaseT {
    const char* value;
    uint32_t permissions;
    bool match;
  } cases[] = {
      {"111", 0755, true}, {"111", 0644, false}, {"!022", 0644, true}, {"!022", 0664, false},
      {"!002", 0777, false}, {"0", 0777, false}, {"", 0777, false},   {"!", 0777, false},
      {"-7", 0777, false},  {"9", 0777, false},  {"0400", 0400, true},
  };
  for (const CaseT& c : cases) {
    EXPECT_EQ(ComparePermissionsMask(c.permissions, ParsePermissionsMask(c.value)), c.match) << c.value;
  }
  EXPECT_TRUE(IsExecutable("tool", 0700));
  EXPECT_FALSE(IsExecutable("tool.sh", 0755));
  EXPECT_FALSE(IsExecutable("tool", 0644));
}

// The whole decision for one file: the track rules in their order, the subtrees and embedding.
TEST(FileRulesTest, DecidesWhetherAFileIsTrackedAndEmbedded) {
  struct CaseT {
    const char* what;
    TrkFileRulesT rules;
    const char* path;
    uint32_t permissions;
    int64_t size;
    bool tracked, embed;
  };
  TrkFileRulesT base;
  base.includeDirectory = {"/opt"};
  base.includeExecutables = true;
  base.embedMaxSize = 1000;
  auto with = [&base](auto change) {
    TrkFileRulesT r = base;
    change(r);
    return r;
  };
  const CaseT cases[] = {
      {"name rule before extension", with([](TrkFileRulesT& r) {
         r.excludeFile = {"*.log"};
         r.includeExtension = {"log"};
       }),
       "/opt/a.log", 0644, 1, false, false},
      {"included name beats excluded extension", with([](TrkFileRulesT& r) {
         r.includeFile = {"README"};
         r.excludeExtension = {"txt"};
       }),
       "/opt/readme", 0644, 1, true, false},
      {"no include rule matches", base, "/opt/data.bin", 0644, 1, false, false},
      {"extension from a dotted directory", with([](TrkFileRulesT& r) { r.includeExtension = {"so"}; }),
       "/opt/lib.d/tool", 0644, 1, false, false},
      {"executable without extension", base, "/opt/bin/tool", 0755, 1, true, false},
      {"executables not asked for", with([](TrkFileRulesT& r) { r.includeExecutables = false; }), "/opt/bin/tool",
       0755, 1, false, false},
      {"outside the include subtree", with([](TrkFileRulesT& r) { r.includeExtension = {"so"}; }), "/usr/lib/a.so",
       0644, 1, false, false},
      {"excluded subtree", with([](TrkFileRulesT& r) {
         r.includeExtension = {"so"};
         r.excludeDirectory = {"/opt/tmp"};
       }),
       "/opt/tmp/a.so", 0644, 1, false, false},
      {"backslash excludes everything", with([](TrkFileRulesT& r) {
         r.includeExtension = {"so"};
         r.excludeDirectory = {"\\"};
       }),
       "/opt/a.so", 0644, 1, false, false},
      {"not other-writable", with([](TrkFileRulesT& r) { r.includeMask = ParsePermissionsMask("!002"); }),
       "/opt/data.bin", 0644, 1, true, false},
      {"exclude mask first", with([](TrkFileRulesT& r) {
         r.excludeMask = ParsePermissionsMask("002");
         r.includeFile = {"*"};
       }),
       "/opt/data.bin", 0666, 1, false, false},
      {"embedded in an embed subtree", with([](TrkFileRulesT& r) {
         r.embedDirectory = {"/opt/tags"};
         r.embedExtension = {"swidtag"};
       }),
       "/opt/tags/p.swidtag", 0644, 1000, true, true},
      {"too large to embed", with([](TrkFileRulesT& r) {
         r.embedDirectory = {"/opt/tags"};
         r.embedExtension = {"swidtag"};
       }),
       "/opt/tags/p.swidtag", 0644, 1001, false, false},
      {"embedding needs its subtree", with([](TrkFileRulesT& r) { r.embedExtension = {"swidtag"}; }),
       "/opt/tags/p.swidtag", 0644, 1, false, false},
      {"excluded extension blocks embedding", with([](TrkFileRulesT& r) {
         r.embedDirectory = {"/opt"};
         r.embedExtension = {"*"};
         r.excludeExtension = {"tmp"};
       }),
       "/opt/x.tmp", 0644, 1, false, false},
      {"embedding outside the include subtree", with([](TrkFileRulesT& r) {
         r.excludeDirectory = {"/opt/tmp"};
         r.embedDirectory = {"/opt"};
         r.embedExtension = {"swidtag"};
       }),
       "/opt/tmp/p.swidtag", 0644, 1, true, true},
      {"size limit 0 embeds empty files only", with([](TrkFileRulesT& r) {
         r.embedDirectory = {"/opt"};
         r.embedExtension = {"txt"};
         r.embedMaxSize = 0;
       }),
       "/opt/empty.txt", 0644, 0, true, true},
  };
  for (const CaseT& c : cases) {
    CountingDigestC digest("d41d8cd98f00b204e9800998ecf8427e");
    std::string got = "NO_MD5";
    const TrkResultE track = MatchFileAll(c.rules, c.path, c.permissions, true, digest, &got);
    TrkResultE embed = MatchEmbedFileExtension(c.rules, c.path);
    if (embed == TrkInclude) embed = MatchEmbedFileMaxSize(c.rules, c.size, true);
    const FileDecisionT d = DecideFile(track, IsInIncludeTree(c.rules, c.path), embed, IsInEmbedTree(c.rules, c.path));
    EXPECT_EQ(d.tracked, c.tracked) << c.what;
    EXPECT_EQ(d.embed, c.embed) << c.what;
    EXPECT_EQ(digest.calls, 0) << c.what << ": no digest rule, no digest";
    EXPECT_EQ(got, "NO_MD5") << c.what;
  }
}

TEST(FileRulesTest, DigestRulesComeFirstAndDigestOnce) {
  const std::string digest = "0123456789abcdef0123456789abcdef";
  struct CaseT {
    StringArrayC include, exclude;
    bool md5Flag;
    TrkResultE answer;
    int calls;
  } cases[] = {
      {{"0123456789ABCDEF0123456789ABCDEF"}, {}, true, TrkInclude, 1},
      {{digest}, {digest}, true, TrkExclude, 1},
      {{"ffffffffffffffffffffffffffffffff"}, {}, true, TrkExclude, 1},  // then the exclude mask
      {{digest}, {}, false, TrkExclude, 0},                              // GenerateMD5 off: no digest rule
  };
  for (const CaseT& c : cases) {
    TrkFileRulesT r;
    r.includeMD5 = c.include;
    r.excludeMD5 = c.exclude;
    r.md5Rules = true;
    r.excludeMask = ParsePermissionsMask("7");
    CountingDigestC source(digest);
    std::string got;
    EXPECT_EQ(MatchFileAll(r, "/opt/x", 0644, c.md5Flag, source, &got), c.answer);
    EXPECT_EQ(source.calls, c.calls);
    EXPECT_EQ(got, c.calls > 0 ? digest : std::string());
  }
}

TEST(FileRulesTest, RootsAndDirectoriesWalked) {
  TrkFileRulesT r;
  r.includeDirectory = {"/opt", "/opt/app"};
  r.embedDirectory = {"/OPT/app/", "/var/tags"};
  r.excludeDirectory = {"/opt/tmp", "/opt/both"};
  r.excludeEmbedDirectory = {"/opt/both"};
  EXPECT_EQ(GetTrackedDirectories(r), (StringArrayC{"/opt", "/opt/app", "/var/tags"}));
  struct CaseT {
    const char* dir;
    bool descend;
  } cases[] = {
      {"/opt/app", false},   // a root of its own, walked once
      {"/var/tags", false},  // an embedding root
      {"/opt/tmp", true},    // content may still be embedded there
      {"/opt/both", false},  // excluded for both
      {"/opt/lib", true},
  };
  for (const CaseT& c : cases) EXPECT_EQ(DescendInto(r, c.dir), c.descend) << c.dir;
  EXPECT_TRUE(IsPrunedRoot(r, "/opt/both/"));
  EXPECT_FALSE(IsPrunedRoot(r, "/opt/tmp"));
}

TEST(FileRulesTest, FileSystemsWalked) {
  const StringArrayC include{"ufs", "zfs", "lofs"};
  struct CaseT {
    const char* type;
    uint32_t flags;
    StringArrayC include, exclude;
    bool network, walked;
  } cases[] = {
      {"ufs", hx::FS_LOCAL_BLOCK, {}, {}, false, true},
      {"ufs", hx::FS_LOCAL_BLOCK, include, {"UFS"}, false, false},
      {"hsfs", hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE, include, {}, false, false},
      {"hsfs", hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE, {"HSFS"}, {}, false, true},
      {"nfs", hx::FS_NETWORK, include, {}, false, false},
      {"nfs", hx::FS_NETWORK, include, {}, true, true},
      {"nfs", hx::FS_NETWORK, {"nfs"}, {}, false, true},
      {"proc", hx::FS_PROCESS, include, {}, true, false},
      {"zfs", 0, include, {}, false, true},
      {"overlay", 0, include, {}, false, false},
  };
  for (const CaseT& c : cases) {
    EXPECT_EQ(IsFileSystemWalked(c.type, c.flags, c.include, c.exclude, c.network), c.walked) << c.type;
  }
}

}  // namespace
