#include <sys/file.h>

#include <future>

#include "foundation/messages/Errors.h"
#include "packages/PackagesTestSupport.h"
#include "packages/db/PackageDb.h"
#include "packages/db/PackageDbMessages.h"
#include "support/TestSupport.h"

namespace {

using pkgtest::TestKindC;

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }
std::string Rc(hx::ResultT r) { return "rc " + std::to_string(r); }

// "type|name|full version" of the package owning path, or the result code.
std::string Owner(PackageDbC& db, const std::string& path) {
  std::unique_ptr<PackageInfoC> p;
  const hx::ResultT r = db.packageFromPath(path, &p);
  return hx::Failed(r) ? Rc(r) : p->type() + "|" + p->name() + "|" + p->version().asString(true);
}

class PackageDbTest : public ::testing::Test {
 protected:
  void SetUp() override { getErrBuf()->reset(); }
  void TearDown() override { getErrBuf()->reset(); }

  hxtest::TempDirC dir_{"hx-pkgdb"};
  std::string path_ = dir_.File("packagedb.cdb");
  const std::string csu_ = "SUNPKG|SUNWcsu|11.10.0-2005.01.21";
  TestKindC svr4_{"SUNPKG",
                  {{"SUNWcsu", "11.10.0-2005.01.21", {"/usr/bin/ls", "/usr/bin/shared"}},
                   {"SUNWtoo", "2:1.2", {"/usr/bin/shared", "/usr/bin/truss"}}}};
};

// The first package stored for a path owns it; a failing type ends the build with its failure,
// and what the types before it (and the failing one itself) gave still replaces the old database.
TEST_F(PackageDbTest, BuildsTypesInOrderAndQueriesTheFirstOwner) {
  TestKindC broken("BROKEN", {{"half", "1", {"/opt/half/a"}}}, hx::RcFromErrno(EIO));
  struct CaseT { const char* types; hx::ResultT result; std::string shared, truss, half; } cases[] = {
      {"SUNPKG", hx::RC_OK, csu_, "SUNPKG|SUNWtoo|2:1.2", Rc(trk::RC_PKGDB_NOT_FOUND)},
      {"SUNPKG, NOSUCH", trk::MSG_PKGDB_LIST, csu_, "SUNPKG|SUNWtoo|2:1.2", Rc(trk::RC_PKGDB_NOT_FOUND)},
      {"SUNPKG,", trk::MSG_PKGDB_LIST, csu_, "SUNPKG|SUNWtoo|2:1.2", Rc(trk::RC_PKGDB_NOT_FOUND)},
      // The failing type keeps what its source gave before the failure; the types after it are
      // not listed.
      {"BROKEN,SUNPKG", hx::RcFromErrno(EIO), Rc(trk::RC_PKGDB_NOT_FOUND), Rc(trk::RC_PKGDB_NOT_FOUND),
       "BROKEN|half|1"},
  };
  for (const CaseT& c : cases) {
    getErrBuf()->reset();
    PackageDbC db(path_);
    EXPECT_EQ(db.buildDatabase(c.types), c.result) << c.types;
    EXPECT_EQ(Owner(db, "/usr/bin/shared"), c.shared) << c.types;
    EXPECT_EQ(Owner(db, "/usr/bin/truss"), c.truss) << c.types;
    EXPECT_EQ(Owner(db, "/opt/half/a"), c.half) << c.types;
    // Only the unknown type is reported; a path nobody owns is no error.
    EXPECT_EQ(hxtest::ErrorIds(), c.result == trk::MSG_PKGDB_LIST ? std::vector<int32_t>{c.result} : std::vector<int32_t>{});
    EXPECT_FALSE(Exists(path_ + ".tmp") || Exists(path_ + ".lock"));
  }
  EXPECT_EQ(PackageDbC::SplitTypes(" IA , BEA,,SUNPKG "), (StringArrayC{"IA", "BEA", "", "SUNPKG"}));
}

// A second builder waits for the first, then leaves the database alone.
TEST_F(PackageDbTest, SecondBuilderWaitsAndGivesUp) {
  ASSERT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), hx::RC_OK);
  const int held = ::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  TestKindC other("OTHER", {{"o", "1", {"/usr/bin/ls"}}});
  auto second = std::async(std::launch::async, [this] { return PackageDbC(path_).buildDatabase("OTHER"); });
  EXPECT_EQ(second.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "it waits for the lock";
  ::close(held);
  EXPECT_EQ(second.get(), trk::MSG_PKGDB_BUSY);
  EXPECT_FALSE(Exists(path_ + ".lock"));
  PackageDbC reader(path_);
  EXPECT_EQ(Owner(reader, "/usr/bin/ls"), csu_);
}

// A killed build leaves its temporary and lock files; the next build starts afresh, and a
// reader never sees a half-written database.
TEST_F(PackageDbTest, LeftoversOfAKilledBuildDoNotCount) {
  ASSERT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), hx::RC_OK);
  hxtest::WriteFile(path_ + ".tmp", "half a database");
  hxtest::WriteFile(path_ + ".lock", "");
  PackageDbC before(path_);
  EXPECT_EQ(Owner(before, "/usr/bin/ls"), csu_);
  TestKindC other("OTHER", {{"o", "1", {"/usr/bin/ls"}}});
  ASSERT_EQ(PackageDbC(path_).buildDatabase("OTHER"), hx::RC_OK);
  PackageDbC after(path_);
  EXPECT_EQ(Owner(after, "/usr/bin/ls"), "OTHER|o|1");
  EXPECT_EQ(Owner(before, "/usr/bin/ls"), csu_) << "an open reader keeps its database";
  // A temporary name that cannot be made leaves the database as it was.
  ASSERT_EQ(::mkdir((path_ + ".tmp").c_str(), 0700), 0);
  hxtest::WriteFile(path_ + ".tmp/x", "");
  EXPECT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), trk::MSG_PKGDB_CREATE);
  EXPECT_EQ(Owner(after, "/usr/bin/ls"), "OTHER|o|1");
}

TEST_F(PackageDbTest, UnreadableDatabaseIsReportedOnceAndNeverReadThroughALink) {
  PackageDbC missing(path_);
  EXPECT_EQ(Owner(missing, "/a") + Owner(missing, "/b"), Rc(trk::MSG_PKGDB_OPEN) + Rc(trk::MSG_PKGDB_OPEN));
  EXPECT_EQ(hxtest::ErrorIds(), std::vector<int32_t>{trk::MSG_PKGDB_OPEN});
  ASSERT_EQ(PackageDbC(dir_.File("real.cdb")).buildDatabase("SUNPKG"), hx::RC_OK);
  ASSERT_EQ(::symlink(dir_.File("real.cdb").c_str(), path_.c_str()), 0);
  PackageDbC linked(path_);
  EXPECT_EQ(Owner(linked, "/usr/bin/ls"), Rc(trk::MSG_PKGDB_OPEN));
}

// The file is an ordinary constant database: the cdb tool reads the records back.
TEST_F(PackageDbTest, StandardToolReadsTheDatabase) {
  if (!Exists("/usr/bin/cdb")) GTEST_SKIP() << "the cdb tool (tinycdb) is not installed";
  ASSERT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), hx::RC_OK);
  hxtest::ChildC query(CommandLineC{"/usr/bin/cdb", "-q", path_, "/usr/bin/truss"});
  ASSERT_EQ(query.Start(), hx::RC_OK);
  EXPECT_EQ(query.Finish(), 0u);
  EXPECT_EQ(query.Out(), std::string("\x06\x00SUNPKG\x07\x00SUNWtoo\x05\x00" "2:1.2", 24));
}

}  // namespace
