#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "foundation/messages/Errors.h"
#include "packages/db/PackageDb.h"
#include "packages/db/PackageDbMessages.h"
#include "packages/PackagesTestSupport.h"
#include "support/TestSupport.h"

namespace {

using pkgtest::TestKindC;

bool FileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

class PackageDbTest : public ::testing::Test {
 protected:
  void SetUp() override { getErrBuf()->reset(); }
  void TearDown() override { getErrBuf()->reset(); }

  // "type|name|full version" of the package owning path, or the result code as text.
  std::string Owner(PackageDbC& db, const std::string& path) {
    std::unique_ptr<PackageInfoC> p;
    const hx::ResultT r = db.packageFromPath(path, &p);
    if (hx::Failed(r)) return "rc " + std::to_string(r);
    return p->type() + "|" + p->name() + "|" + p->version().asString(true);
  }
  static std::string Rc(hx::ResultT r) { return "rc " + std::to_string(r); }

  hxtest::TempDirC dir_{"hx-pkgdb"};
  std::string path_ = dir_.File("packagedb.cdb");
  TestKindC svr4_{"SUNPKG",
                  {{"SUNWcsu", "11.10.0-2005.01.21", {"/usr/bin/ls", "/usr/bin/shared"}},
                   {"SUNWtoo", "2:1.2", {"/usr/bin/shared", "/usr/bin/truss"}}}};
};

TEST_F(PackageDbTest, BuildsAndQueriesTheFirstOwner) {
  PackageDbC db(path_);
  ASSERT_EQ(db.buildDatabase("SUNPKG"), hx::RC_OK);
  EXPECT_EQ(Owner(db, "/usr/bin/ls"), "SUNPKG|SUNWcsu|11.10.0-2005.01.21");
  EXPECT_EQ(Owner(db, "/usr/bin/shared"), "SUNPKG|SUNWcsu|11.10.0-2005.01.21") << "the package added first";
  EXPECT_EQ(Owner(db, "/usr/bin/truss"), "SUNPKG|SUNWtoo|2:1.2");
  EXPECT_EQ(Owner(db, "/usr/bin/nothing"), Rc(trk::RC_PKGDB_NOT_FOUND));
  EXPECT_EQ(getErrBuf()->count(), 0u) << "a path no package owns is no error";
  EXPECT_FALSE(FileExists(path_ + ".tmp"));
  EXPECT_FALSE(FileExists(path_ + ".lock"));
}

// A failing type ends the build with its failure; what the types before it gave still
// replaces the old database.
TEST_F(PackageDbTest, TypeFailuresKeepTheRecordsBeforeThem) {
  TestKindC broken("BROKEN", {{"half", "1", {"/opt/half/a"}}}, hx::RcFromErrno(EIO));
  struct CaseT {
    const char* types;
    hx::ResultT result;
    const char* shared;
    const char* half;
  } cases[] = {
      {"SUNPKG, NOSUCH", trk::MSG_PKGDB_LIST, "SUNPKG|SUNWcsu|11.10.0-2005.01.21", nullptr},
      {"SUNPKG,", trk::MSG_PKGDB_LIST, "SUNPKG|SUNWcsu|11.10.0-2005.01.21", nullptr},
      {"BROKEN,SUNPKG", hx::RcFromErrno(EIO), nullptr, "BROKEN|half|1"},
      {"", hx::RC_OK, nullptr, nullptr},
  };
  for (const CaseT& c : cases) {
    getErrBuf()->reset();
    PackageDbC db(path_);
    EXPECT_EQ(db.buildDatabase(c.types), c.result) << c.types;
    EXPECT_EQ(Owner(db, "/usr/bin/shared"), c.shared ? c.shared : Rc(trk::RC_PKGDB_NOT_FOUND)) << c.types;
    EXPECT_EQ(Owner(db, "/opt/half/a"), c.half ? c.half : Rc(trk::RC_PKGDB_NOT_FOUND)) << c.types;
    EXPECT_EQ(hxtest::ErrorIds(), hx::Failed(c.result) && c.result == trk::MSG_PKGDB_LIST
                                      ? std::vector<int32_t>{trk::MSG_PKGDB_LIST}
                                      : std::vector<int32_t>{})
        << c.types;
  }
  EXPECT_EQ(PackageDbC::SplitTypes(" IA , BEA,,SUNPKG "), (StringArrayC{"IA", "BEA", "", "SUNPKG"}));
}

// A second builder waits for the first, then leaves the database alone.
TEST_F(PackageDbTest, SecondBuilderWaitsAndGivesUp) {
  PackageDbC first(path_);
  ASSERT_EQ(first.buildDatabase("SUNPKG"), hx::RC_OK);
  const int held = ::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  TestKindC other("OTHER", {{"o", "1", {"/usr/bin/ls"}}});
  auto second = std::async(std::launch::async, [this] { return PackageDbC(path_).buildDatabase("OTHER"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(second.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "it waits for the lock";
  ::close(held);
  EXPECT_EQ(second.get(), trk::MSG_PKGDB_BUSY);
  EXPECT_FALSE(FileExists(path_ + ".lock"));
  PackageDbC reader(path_);
  EXPECT_EQ(Owner(reader, "/usr/bin/ls"), "SUNPKG|SUNWcsu|11.10.0-2005.01.21");
  EXPECT_EQ(PackageDbC(path_, 0).buildDatabase("SUNPKG"), hx::RC_OK) << "no lock is left behind";
}

// A killed build leaves its temporary and lock files; the next build starts afresh and a
// reader never sees the half-written file.
TEST_F(PackageDbTest, LeftoversOfAKilledBuildDoNotCount) {
  ASSERT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), hx::RC_OK);
  hxtest::WriteFile(path_ + ".tmp", "half a database");
  hxtest::WriteFile(path_ + ".lock", "");
  PackageDbC before(path_);
  EXPECT_EQ(Owner(before, "/usr/bin/truss"), "SUNPKG|SUNWtoo|2:1.2");
  TestKindC other("OTHER", {{"o", "1", {"/usr/bin/truss"}}});
  ASSERT_EQ(PackageDbC(path_).buildDatabase("OTHER"), hx::RC_OK);
  PackageDbC after(path_);
  EXPECT_EQ(Owner(after, "/usr/bin/truss"), "OTHER|o|1");
  EXPECT_EQ(Owner(before, "/usr/bin/truss"), "SUNPKG|SUNWtoo|2:1.2") << "an open reader keeps its database";

  // A temporary name that cannot be made leaves the database as it was.
  ASSERT_EQ(::mkdir((path_ + ".tmp").c_str(), 0700), 0);
  hxtest::WriteFile(path_ + ".tmp/x", "");
  EXPECT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), trk::MSG_PKGDB_CREATE);
  EXPECT_EQ(Owner(after, "/usr/bin/truss"), "OTHER|o|1");
}

TEST_F(PackageDbTest, MissingOrBrokenDatabaseIsReportedOnce) {
  PackageDbC missing(path_);
  EXPECT_EQ(Owner(missing, "/a"), Rc(trk::MSG_PKGDB_OPEN));
  EXPECT_EQ(Owner(missing, "/b"), Rc(trk::MSG_PKGDB_OPEN));
  EXPECT_EQ(hxtest::ErrorIds(), std::vector<int32_t>{trk::MSG_PKGDB_OPEN});

  ASSERT_EQ(::symlink(dir_.File("elsewhere").c_str(), path_.c_str()), 0);
  hxtest::WriteFile(dir_.File("elsewhere"), "");
  PackageDbC linked(path_);
  EXPECT_EQ(Owner(linked, "/a"), Rc(trk::MSG_PKGDB_OPEN)) << "never read through a link";
}

// The file is an ordinary constant database: the cdb tool reads the records back.
TEST_F(PackageDbTest, StandardToolReadsTheDatabase) {
  if (!FileExists("/usr/bin/cdb")) GTEST_SKIP() << "the cdb tool (tinycdb) is not installed";
  ASSERT_EQ(PackageDbC(path_).buildDatabase("SUNPKG"), hx::RC_OK);
  hxtest::ChildC query(CommandLineC{"/usr/bin/cdb", "-q", path_, "/usr/bin/truss"});
  ASSERT_EQ(query.Start(), hx::RC_OK);
  EXPECT_EQ(query.Finish(), 0u);
  EXPECT_EQ(query.Out(), std::string("\x06\x00SUNPKG\x07\x00SUNWtoo\x05\x00" "2:1.2", 24));
}

}  // namespace
