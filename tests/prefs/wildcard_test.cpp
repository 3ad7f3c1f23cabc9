// Wildcard directory entries: expansion over a real tree, the rewriting of the directory lists
// at the end of loading, and the pruning that keeps the walk to the pattern's shape.

#include "prefs/PrefsTestSupport.h"
#include "prefs/wildcard/WildCardDirectoryListing.h"

namespace {

using hxtest::Count;
using hxprefs::LoadC;

StringArrayC Sorted(const FileNameArrayC& names) {
  StringArrayC out;
  for (const FileNameC& n : names) out.push_back(n.str());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(PrefsWildcard, PatternsExpandToExistingDirectories) {
  hxtest::TempDirC t("hxprefs-wc");
  for (const char* d : {"opt/app1/lib", "opt/app2/lib", "opt/other/lib", "opt/app10", "opt/App3/lib"})
    t.Mkdir(d);
  t.Write("opt/app4", "a file, not a directory");
  t.Write("opt/app5/lib", "a file named lib");
  const std::string r = t.Path();
  const std::vector<std::pair<std::string, StringArrayC>> cases = {
      {r + "/opt/app*/lib", {r + "/opt/App3/lib", r + "/opt/app1/lib", r + "/opt/app2/lib"}},
      {r + "/opt/app?", {r + "/opt/App3", r + "/opt/app1", r + "/opt/app2", r + "/opt/app5"}},
      {r + "/opt/*/lib/", {r + "/opt/App3/lib", r + "/opt/app1/lib", r + "/opt/app2/lib", r + "/opt/other/lib"}},
      {r + "/*/app1", {r + "/opt/app1"}},
      {r + "/opt/none*", {}},
      {"usr/*", {}},
      {"/usr/local/does-not-exist", {"/usr/local/does-not-exist"}},
      {"relative/plain", {"relative/plain"}},
  };
  WildCardDirectoryListingC listing;
  for (const auto& [pattern, expected] : cases) {
    EXPECT_EQ(listing.listAll(pattern), hx::RC_OK) << pattern;
    EXPECT_EQ(Sorted(listing.MatchedDirectoryList()), expected) << pattern;
  }
}

TEST(PrefsWildcard, DirectoryListsAreRewrittenAfterValidation) {
  hxtest::TempDirC t("hxprefs-wc");
  for (const char* d : {"opt/app1/lib", "opt/app2/lib", "opt/other/lib"}) t.Mkdir(d);
  const std::string r = t.Path();
  LoadC load;
  ASSERT_EQ(load.Load({"-o", "IncludeDirectory=" + r + "/opt/app*/lib;" + r + "/opt/app1/lib;usr/*;/nowhere/plain",
                       "-o", "EmbedFileContentDirectory=$(Tree)/opt/*/lib", "-o", "Tree=" + r}),
            hx::RC_OK);
  StringArrayC include = load.Values(TrkPreferencesC::c_IncludeDirectory);
  ASSERT_EQ(include.size(), 3u);
  EXPECT_EQ(include.back(), "/nowhere/plain");
  include.pop_back();
  std::sort(include.begin(), include.end());
  EXPECT_EQ(include, (StringArrayC{r + "/opt/app1/lib", r + "/opt/app2/lib"}));
  EXPECT_EQ(load.Values(TrkPreferencesC::c_EmbedFileContentDirectory).size(), 3u);
  // Values are stored expanded.
  EXPECT_EQ(load.Prefs().GetMultiValue(TrkPreferencesC::c_EmbedFileContentDirectory, 0).front().rfind(r, 0), 0u);

  const std::string log = load.Log();
  EXPECT_EQ(Count(log, "Searching directories that matches '"), 3u);
  EXPECT_EQ(Count(log, "Found directory '"), 5u);
  EXPECT_NE(log.find("Found directory '" + r + "/opt/app2/lib' that matches '" + r + "/opt/app*/lib' wild card directory path"),
            std::string::npos);
  EXPECT_NE(log.find("Relative wild card directory path 'usr/*' not supported"), std::string::npos);
}

TEST(PrefsWildcard, EmptyListsStayAsTheyWere) {
  LoadC load;
  ASSERT_EQ(load.Load({"-o", "IncludeDirectory="}), hx::RC_OK);
  EXPECT_TRUE(load.Prefs().Exists(TrkPreferencesC::c_IncludeDirectory));
  EXPECT_TRUE(load.Values(TrkPreferencesC::c_IncludeDirectory).empty());
  EXPECT_FALSE(load.Prefs().Exists(TrkPreferencesC::c_EmbedFileContentDirectory));
}

// Records which directories the walk offered and which of them it was allowed to enter.
class CountingListingC : public WildCardDirectoryListingC {
 public:
  explicit CountingListingC(std::string inside) : inside_(std::move(inside)) {}
  long addDir(FileNameC* name) override {
    const long answer = WildCardDirectoryListingC::addDir(name);
    if (name->str().rfind(inside_, 0) == 0) ++insideSeen;
    if (answer == 0 && !name->components().empty()) entered.insert(name->str());
    return answer;
  }
  long addFile(FileNameC* name) override {
    if (name->str().rfind(inside_, 0) == 0) ++insideSeen;
    return WildCardDirectoryListingC::addFile(name);
  }
  std::set<std::string> entered;
  size_t insideSeen = 0;

 private:
  std::string inside_;
};

TEST(PrefsWildcard, NonMatchingSiblingsAreNeverEntered) {
  // In memory where the system has that: removing ten thousand directories from a disk takes
  // minutes on a busy machine.
  hxtest::TempDirC shm("hxprefs-wc", "/dev/shm"), disk("hxprefs-wc");
  const hxtest::TempDirC& t = shm.ok() ? shm : disk;
  ASSERT_TRUE(t.ok());
  const std::string r = t.Path();
  t.Mkdir("opt/app1/lib");
  constexpr int c_Siblings = 10000;
  for (int i = 0; i < c_Siblings; ++i) t.Mkdir("opt/s" + std::to_string(i) + "/inner");
  CountingListingC listing(r + "/opt/s");
  ASSERT_EQ(listing.listAll(r + "/opt/app*/lib"), hx::RC_OK);
  ASSERT_EQ(listing.MatchedDirectoryList().size(), 1u);
  EXPECT_EQ(listing.MatchedDirectoryList().front().str(), r + "/opt/app1/lib");
  // Each sibling is offered once (as an entry of opt) and refused: nothing inside one is seen.
  EXPECT_EQ(listing.insideSeen, static_cast<size_t>(c_Siblings));
  std::set<std::string> ancestors;
  std::string prefix;
  for (const std::string& c : FileNameC(r + "/opt/app1").components()) ancestors.insert(prefix += "/" + c);
  EXPECT_EQ(listing.entered, ancestors);
}

}  // namespace
