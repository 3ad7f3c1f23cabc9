#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/MountTable.h"
#include "prefs/PrefsTestSupport.h"
#include "software/TrkFileRules.h"

namespace {

using namespace trk;

// A digest source that counts how often it is asked.
struct CountingDigestC : FileDigestSourceI {
  const std::string& Digest() override {
    ++calls;
    return digest;
  }
  std::string digest = "0123456789abcdef0123456789abcdef";
  int calls = 0;
};

// Rules below /opt with executables tracked and a limit of 1000 bytes for embedding, changed
// by "List=a;b" items (lists by their preference names; the masks, "NoExecutables" and
// "MaxSize=n" beside them).
TrkFileRulesT Rules(const std::vector<std::string>& items) {
  static const std::map<std::string, StringArrayC TrkFileRulesT::*> c_Lists = {
      {"IncludeDirectory", &TrkFileRulesT::includeDirectory}, {"ExcludeDirectory", &TrkFileRulesT::excludeDirectory},
      {"EmbedDirectory", &TrkFileRulesT::embedDirectory}, {"ExcludeEmbedDirectory", &TrkFileRulesT::excludeEmbedDirectory},
      {"IncludeFile", &TrkFileRulesT::includeFile},       {"ExcludeFile", &TrkFileRulesT::excludeFile},
      {"IncludeExtension", &TrkFileRulesT::includeExtension}, {"ExcludeExtension", &TrkFileRulesT::excludeExtension},
      {"EmbedExtension", &TrkFileRulesT::embedExtension}, {"IncludeMD5", &TrkFileRulesT::includeMD5},
      {"ExcludeMD5", &TrkFileRulesT::excludeMD5}};
  TrkFileRulesT r;
  r.includeDirectory = {"/opt"};
  r.includeExecutables = true;
  r.embedMaxSize = 1000;
  for (const std::string& item : items) {
    const std::string name = item.substr(0, item.find('=')), value = item.substr(item.find('=') + 1);
    if (name == "IncludeMask") r.includeMask = ParsePermissionsMask(value);
    else if (name == "ExcludeMask") r.excludeMask = ParsePermissionsMask(value);
    else if (name == "NoExecutables") r.includeExecutables = false;
    else if (name == "MaxSize") r.embedMaxSize = std::stoll(value);
    else r.*c_Lists.at(name) = hx::Split(value, ';');
    r.md5Rules = r.md5Rules || name == "IncludeMD5" || name == "ExcludeMD5";
  }
  return r;
}

TEST(FileRulesTest, PathFormsAndComparisons) {
  EXPECT_EQ(GetPlatformPath("/opt/", "a"), "/opt/a");
  EXPECT_EQ(GetPlatformPath("/opt/", ""), "/opt");
  EXPECT_EQ(GetPlatformPath("/a/", ""), "/a/") << "three characters or fewer keep their slash";
  EXPECT_EQ(GetPlatformExtension("/opt/lib.d/tool"), "d/tool");
  EXPECT_EQ(GetPlatformExtension("/opt/tool"), "");
  struct CaseT { bool (*compare)(std::string_view, std::string_view); const char *value, *entry; bool match; } cases[] = {
      {CompareDirectory, "/opt/app/", "/OPT/App", true}, {CompareDirectory, "/opt/app", "\\opt\\app", true},
      {CompareDirectory, "/opt/app/lib", "/opt", false}, {CompareFile, "a.log", "?.LOG", true},
      {CompareFile, "ab.log", "?.log", false},           {CompareExtension, "so", ".so", true},
      {CompareExtension, "so", "*.so", false},           {CompareExtension, "1.so", "*.so", true},
      {CompareMD5, "d41d8cd98f00b204e9800998ecf8427e", "D41D8CD98F00B204E9800998ECF8427E", true},
  };
  for (const CaseT& c : cases) EXPECT_EQ(c.compare(c.value, c.entry), c.match) << c.value << " ~ " << c.entry;

  struct SubtreeT { StringArrayC list; const char* path; bool child; } subtrees[] = {
      {{"/opt/"}, "/opt//app", true}, {{"/opt"}, "/opt", true},    {{"/opt"}, "/optional/x", false},
      {{"/Opt"}, "/opt/x", false},    {{"opt"}, "/opt/x", false}, {{"\\"}, "relative/too", true}};
  for (const SubtreeT& s : subtrees) EXPECT_EQ(IsChildOfDirectories(s.list, s.path), s.child) << s.path;
  for (const char* none : {"", "!", "0", "-7", "9"}) EXPECT_FALSE(ComparePermissionsMask(0777, ParsePermissionsMask(none)));
}

// The whole decision for one file: the track rules in their order, the subtrees, embedding.
TEST(FileRulesTest, DecidesWhetherAFileIsTrackedAndEmbedded) {
  struct CaseT { std::vector<std::string> rules; const char* path; uint32_t permissions; int64_t size; bool tracked, embed; }
  cases[] = {
      {{"ExcludeFile=*.log", "IncludeExtension=log"}, "/opt/a.log", 0644, 1, false, false},
      {{"IncludeFile=README", "ExcludeExtension=txt"}, "/opt/readme", 0644, 1, true, false},
      {{}, "/opt/data.bin", 0644, 1, false, false},
      {{"IncludeExtension=so"}, "/opt/lib.d/tool", 0644, 1, false, false},
      {{}, "/opt/bin/tool", 0751, 1, true, false},
      {{"NoExecutables="}, "/opt/bin/tool", 0755, 1, false, false},
      {{}, "/opt/bin/tool.sh", 0755, 1, false, false},
      {{"IncludeExtension=so"}, "/usr/lib/a.so", 0644, 1, false, false},
      {{"IncludeExtension=so", "ExcludeDirectory=/opt/tmp"}, "/opt/tmp/a.so", 0644, 1, false, false},
      {{"IncludeExtension=so", "ExcludeDirectory=\\"}, "/opt/a.so", 0644, 1, false, false},
      {{"IncludeMask=!002"}, "/opt/data.bin", 0644, 1, true, false},
      {{"IncludeMask=!002"}, "/opt/data.bin", 0646, 1, false, false},
      {{"ExcludeMask=002", "IncludeFile=*"}, "/opt/data.bin", 0666, 1, false, false},
      {{"EmbedDirectory=/opt/tags", "EmbedExtension=swidtag"}, "/opt/tags/p.swidtag", 0644, 1000, true, true},
      {{"EmbedDirectory=/opt/tags", "EmbedExtension=swidtag"}, "/opt/tags/p.swidtag", 0644, 1001, false, false},
      {{"EmbedExtension=swidtag"}, "/opt/tags/p.swidtag", 0644, 1, false, false},
      {{"EmbedDirectory=/opt", "EmbedExtension=*", "ExcludeExtension=tmp"}, "/opt/x.tmp", 0644, 1, false, false},
      {{"ExcludeDirectory=/opt/tmp", "EmbedDirectory=/opt", "EmbedExtension=swidtag"}, "/opt/tmp/p.swidtag", 0644, 1,
       true, true},
      {{"EmbedDirectory=/opt", "EmbedExtension=txt", "MaxSize=0"}, "/opt/empty.txt", 0644, 0, true, true},
      {{"EmbedDirectory=/opt", "EmbedExtension=txt", "MaxSize=0"}, "/opt/one.txt", 0644, 1, false, false},
  };
  for (const CaseT& c : cases) {
    const TrkFileRulesT r = Rules(c.rules);
    CountingDigestC digest;
    std::string got = "NO_MD5";
    const TrkResultE track = MatchFileAll(r, c.path, c.permissions, true, digest, &got);
    TrkResultE embed = MatchEmbedFileExtension(r, c.path);
    if (embed == TrkInclude) embed = MatchEmbedFileMaxSize(r, c.size, true);
    const FileDecisionT d = DecideFile(track, IsInIncludeTree(r, c.path), embed, IsInEmbedTree(r, c.path));
    EXPECT_EQ(d.tracked, c.tracked) << c.path << " " << hx::Join(c.rules, " ");
    EXPECT_EQ(d.embed, c.embed) << c.path << " " << hx::Join(c.rules, " ");
    EXPECT_EQ(digest.calls + (got == "NO_MD5" ? 0 : 1), 0) << "no digest rule, no digest";
  }
}

TEST(FileRulesTest, DigestRulesComeFirstAndDigestOnce) {
  struct CaseT { std::vector<std::string> rules; bool md5Flag; TrkResultE answer; int calls; } cases[] = {
      {{"IncludeMD5=0123456789ABCDEF0123456789ABCDEF", "ExcludeMask=7"}, true, TrkInclude, 1},
      {{"IncludeMD5=0123456789abcdef0123456789abcdef", "ExcludeMD5=0123456789abcdef0123456789abcdef"}, true, TrkExclude, 1},
      {{"IncludeMD5=ffffffffffffffffffffffffffffffff", "IncludeFile=*"}, true, TrkInclude, 1},
      {{"IncludeMD5=0123456789abcdef0123456789abcdef", "ExcludeMask=7"}, false, TrkExclude, 0},
  };
  for (const CaseT& c : cases) {
    CountingDigestC source;
    std::string got;
    EXPECT_EQ(MatchFileAll(Rules(c.rules), "/opt/x", 0644, c.md5Flag, source, &got), c.answer) << c.rules[0];
    EXPECT_EQ(source.calls, c.calls);
    EXPECT_EQ(got, c.calls > 0 ? source.digest : std::string());
  }
}

TEST(FileRulesTest, RootsDirectoriesAndFileSystemsWalked) {
  const TrkFileRulesT r = Rules({"IncludeDirectory=/opt;/opt/app", "EmbedDirectory=/OPT/app/;/var/tags",
                                 "ExcludeDirectory=/opt/tmp;/opt/both", "ExcludeEmbedDirectory=/opt/both"});
  EXPECT_EQ(GetTrackedDirectories(r), (StringArrayC{"/opt", "/opt/app", "/var/tags"}));
  for (const char* own : {"/opt/app", "/var/tags", "/opt/both"}) EXPECT_FALSE(DescendInto(r, own)) << own;
  for (const char* walked : {"/opt/tmp", "/opt/lib"}) EXPECT_TRUE(DescendInto(r, walked)) << walked;
  EXPECT_TRUE(IsPrunedRoot(r, "/opt/both/"));
  EXPECT_FALSE(IsPrunedRoot(r, "/opt/tmp"));

  const StringArrayC types{"ufs", "zfs", "lofs"};
  struct CaseT { const char* type; uint32_t flags; StringArrayC include, exclude; bool network, walked; } cases[] = {
      {"ufs", hx::FS_LOCAL_BLOCK, {}, {}, false, true},
      {"ufs", hx::FS_LOCAL_BLOCK, types, {"UFS"}, false, false},
      {"hsfs", hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE, types, {}, false, false},
      {"hsfs", hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE, {"HSFS"}, {}, false, true},
      {"nfs", hx::FS_NETWORK, types, {}, false, false},
      {"nfs", hx::FS_NETWORK, types, {}, true, true},
      {"proc", hx::FS_PROCESS, types, {}, true, false},
      {"zfs", 0, types, {}, false, true},
  };
  for (const CaseT& c : cases)
    EXPECT_EQ(IsFileSystemWalked(c.type, c.flags, c.include, c.exclude, c.network), c.walked) << c.type;
}

// Every list of the rules comes from its own preference: a list read from a neighbour's
// preference passes every test that sets only one of the two.
TEST(FileRulesTest, EachListComesFromItsOwnPreference) {
  const std::map<std::string, StringArrayC TrkFileRulesT::*> lists = {
      {"IncludeDirectory", &TrkFileRulesT::includeDirectory},
      {"ExcludeDirectory", &TrkFileRulesT::excludeDirectory},
      {"EmbedFileContentDirectory", &TrkFileRulesT::embedDirectory},
      {"ExcludeEmbedFileContentDirectory", &TrkFileRulesT::excludeEmbedDirectory},
      {"IncludeFile", &TrkFileRulesT::includeFile},
      {"ExcludeFile", &TrkFileRulesT::excludeFile},
      {"IncludeExtension", &TrkFileRulesT::includeExtension},
      {"ExcludeExtension", &TrkFileRulesT::excludeExtension},
      {"EmbedFileContentExtension", &TrkFileRulesT::embedExtension},
      {"SwidTagExtension", &TrkFileRulesT::swidTagExtension},
      {"IncludeMD5", &TrkFileRulesT::includeMD5},
      {"ExcludeMD5", &TrkFileRulesT::excludeMD5}};
  std::vector<std::string> args;
  std::map<std::string, std::string> values;
  for (const auto& [name, field] : lists) {
    // A digest for the digest rules (the only form they take), a made-up directory or word for the others.
    values[name] = name.find("MD5") != std::string::npos ? std::string(32, name[0] == 'I' ? 'a' : 'b')
                   : name.find("Directory") != std::string::npos ? "/d/" + name
                                                                 : "x" + name;
    args.insert(args.end(), {"-o", name + "=" + values[name]});
  }
  hxprefs::LoadC load("", "hxrules");
  ASSERT_EQ(load.Load(args), hx::RC_OK);
  const TrkFileRulesT r = TrkFileRulesT::FromPreferences(load.Prefs());
  for (const auto& [name, field] : lists) EXPECT_EQ(r.*field, StringArrayC{values[name]}) << name;
}

}  // namespace
