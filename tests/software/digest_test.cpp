// Digests on worker threads and from the digest cache: the document stays the one a single
// thread writes without a cache, changed files are read again, and a cache that cannot be
// trusted is not used.

#include "foundation/files/SafeFile.h"
#include "inventory/XmlOutputStream.h"
#include "software/SoftwareTestSupport.h"
#include "software/TrkDigestPool.h"

namespace {

using swtest::Md5Of;

constexpr time_t c_Old = 1700000000;
constexpr const char* c_Cache = "cache/digests.cache";

class DigestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Sizes around the reader's buffer, an empty file, and an embedded file.
    const size_t sizes[] = {0, 1, 100, 4096, (128u << 10) - 1, (128u << 10) + 1, 700000};
    for (int i = 0; i < 40; ++i) {
      const size_t size = sizes[i % (sizeof sizes / sizeof sizes[0])];
      Old("opt/d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".so", std::string(size, 'a' + i % 26));
    }
    Old("opt/emb/readme.txt", "embedded text");
  }
  // A file whose times lie long before any scan.
  std::string Old(const std::string& rel, const std::string& content) {
    const std::string path = tree_.Write(rel, content);
    SetTimes(path, c_Old, 0);
    return path;
  }
  static void SetTimes(const std::string& path, time_t sec, long nsec) {
    const struct timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }

  struct RunT { hx::ResultT result = hx::RC_FAIL; std::string document; std::string log; };
  // One scan with the same data directory (and so the same cache) each time.
  RunT Scan(std::vector<std::string> options, TrkSoftwareHostT host = {}) {
    options.insert(options.end(), {"IncludeDirectory=" + tree_.File("opt"), "IncludeExtension=so",
                                   "EmbedFileContentDirectory=" + tree_.File("opt/emb"),
                                   "EmbedFileContentExtension=txt", "GenerateMD5=True"});
    std::vector<std::string> args;
    for (const std::string& o : options) args.insert(args.end(), {"-o", o});
    load_.Log();  // releases the log, so that this run's log starts empty
    ::unlink((load_.DataDir() + "/log/tracker.log").c_str());
    EXPECT_EQ(load_.Load(args), hx::RC_OK);
    RunT run;
    RefM<TrkInventoryC> inventory = TrkInventoryC::New();
    {
      TrkUnixTrackSoftwareC step(load_.Prefs(), std::move(host));
      step.WriteInto(inventory.get());
      run.result = step.Track(inventory.get(), nullptr, nullptr);
    }
    const FileNameC out(tree_.File("out.hxi"));
    EXPECT_EQ(XmlSaveFile(&out, inventory.get()), hx::RC_OK);
    run.document = hxtest::ReadFile(out.str());
    run.log = load_.Log();
    return run;
  }
  // A sparse file of a terabyte of zeros.
  std::string Terabyte(const std::string& rel) {
    hx::UniqueFdC fd(::open(tree_.File(rel).c_str(), O_CREAT | O_WRONLY, 0644));
    EXPECT_EQ(::ftruncate(fd.get(), off_t{1} << 40), 0);
    return tree_.File(rel);
  }
  std::string CachePath() const { return load_.DataDir() + "/" + c_Cache; }
  static std::string Counts(int read, int cached) {
    return "File digests: " + std::to_string(read) + " files read, " + std::to_string(cached) +
           " taken from the digest cache";
  }

  hxtest::ScopedTimeZoneC utc_{"UTC"};
  hxtest::TempDirC tree_{"hxdg-tree"};
  hxprefs::LoadC load_{"", "hxdg"};
};

constexpr int c_Digested = 40;  // the .so files; the embedded file is read every time

TEST_F(DigestTest, ThreadsAndCacheWriteTheSameDocument) {
  const RunT reference = Scan({"DigestThreads=1", "DigestCache=False"});
  ASSERT_EQ(reference.result, hx::RC_OK);
  ASSERT_TRUE(hxtest::Contains(reference.document, Md5Of(std::string(700000, 'a' + 6 % 26))));
  const struct { std::vector<std::string> options; int read, cached; } cases[] = {
      {{"DigestThreads=4", "DigestCache=False"}, c_Digested + 1, 0},
      {{"DigestThreads=4"}, c_Digested + 1, 0},  // writes the cache
      {{"DigestThreads=4"}, 1, c_Digested},      // only the embedded file is read
      {{"DigestThreads=1"}, 1, c_Digested},
      {{"DigestThreads=2", "DigestCache=False"}, c_Digested + 1, 0},
  };
  for (const auto& c : cases) {
    const RunT run = Scan(c.options);
    EXPECT_EQ(run.result, hx::RC_OK);
    EXPECT_EQ(run.document, reference.document) << c.options[0];
    EXPECT_TRUE(hxtest::Contains(run.log, Counts(c.read, c.cached))) << c.options[0] << "\n" << run.log;
  }
}

// A file rewritten with its size kept is read again, whether its modification time was put
// back or the entry was made within the time stamp granularity of its scan.
TEST_F(DigestTest, ChangedFilesAreReadAgain) {
  const std::string path = tree_.File("opt/d0/f0.so");
  // recent: hashed within the time stamp granularity of its last change
  const struct { const char* what; bool recent; std::function<void()> change; int read; } cases[] = {
      {"unchanged", false, [] {}, 1},
      {"rewritten, time put back", false, [&] { hxtest::WriteFile(path, "b"), SetTimes(path, c_Old, 0); }, 2},
      {"rewritten", false, [&] { hxtest::WriteFile(path, "c"); }, 2},
      {"unchanged, hashed just after a change", true, [] {}, 2},
  };
  for (const auto& c : cases) {
    hxtest::WriteFile(path, "a");
    if (!c.recent) SetTimes(path, c_Old, 0);
    ASSERT_EQ(Scan({}).result, hx::RC_OK);  // the cache holds "a"
    c.change();
    const std::string now = hxtest::ReadFile(path);
    const RunT run = Scan({});
    EXPECT_TRUE(hxtest::Contains(run.document, "MD5=\"" + Md5Of(now) + "\" Size=\"1\"")) << c.what;
    EXPECT_TRUE(hxtest::Contains(run.log, Counts(c.read, c_Digested + 1 - c.read))) << c.what << "\n" << run.log;
  }
}

TEST_F(DigestTest, UntrustedOrDamagedCacheIsIgnoredWithALogLine) {
  const std::string reference = Scan({"DigestCache=False"}).document;
  const std::string cache = CachePath();
  auto patch = [&](size_t at, const std::string& bytes) {
    std::string data = hxtest::ReadFile(cache);
    ASSERT_GT(data.size(), at + bytes.size());
    data.replace(at, bytes.size(), bytes);
    hxtest::WriteFile(cache, data);
  };
  const struct { const char* what; std::function<void()> damage; std::string reason; } cases[] = {
      {"truncated", [&] { ASSERT_EQ(::truncate(cache.c_str(), hxtest::ReadFile(cache).size() - 7), 0); },
       "truncated or damaged"},
      {"damaged", [&] { patch(60, "#"); }, "truncated or damaged"},
      {"not a cache", [&] { hxtest::WriteFile(cache, std::string(100, 'x')); }, "not a digest cache"},
      {"other version", [&] { patch(8, std::string("\x07\0\0\0", 4)); }, "format version 7"},
      {"a link", [&] {
         ASSERT_EQ(::rename(cache.c_str(), (cache + ".real").c_str()), 0);
         ASSERT_EQ(::symlink((cache + ".real").c_str(), cache.c_str()), 0);
       }, "symbolic link"},
      {"writable by others", [&] { ASSERT_EQ(::chmod(cache.c_str(), 0666), 0); }, "mode 0666"},
      {"owned by another user", [&] { ASSERT_EQ(::chown(cache.c_str(), 65534, 65534), 0); }, "65534"},
  };
  for (const auto& c : cases) {
    ::unlink((cache + ".real").c_str());
    ASSERT_EQ(Scan({}).result, hx::RC_OK);
    ASSERT_TRUE(hxtest::Contains(Scan({}).log, Counts(1, c_Digested)));  // the cache is good
    c.damage();
    const RunT run = Scan({});
    EXPECT_EQ(run.document, reference) << c.what;
    EXPECT_TRUE(hxtest::Contains(run.log, "Digest cache '" + cache + "' is not used: ")) << c.what << "\n" << run.log;
    EXPECT_TRUE(hxtest::Contains(run.log, c.reason)) << c.what << "\n" << run.log;
    EXPECT_TRUE(hxtest::Contains(run.log, Counts(c_Digested + 1, 0))) << c.what;
    // The scan replaced it with a good one, through a link too (never writing where it points).
    EXPECT_FALSE(hx::IsSymbolicLink(cache)) << c.what;
    EXPECT_TRUE(hxtest::Contains(Scan({}).log, Counts(1, c_Digested))) << c.what;
  }
}

// A file longer than DigestMaxFileSize (16 GiB by default) is tracked without being read: a
// sparse terabyte gets the empty digest and a log line at once, a file within it its digest.
TEST_F(DigestTest, FilesPastTheDigestBudgetAreNotRead) {
  const std::string huge = Terabyte("opt/huge.so");
  const std::string large(20u << 20, 'z');
  Old("opt/large.so", large);
  const RunT run = Scan({"DigestThreads=2"});
  EXPECT_EQ(run.result, hx::RC_OK);
  EXPECT_TRUE(hxtest::Contains(run.document, "<Content MD5=\"\" Size=\"1099511627776\">"));
  EXPECT_TRUE(hxtest::Contains(run.log, "File '" + huge + "' is not read for its digest: its 1099511627776 bytes are "
                                        "more than DigestMaxFileSize (17179869184)"))
      << run.log;
  EXPECT_TRUE(hxtest::Contains(run.document, "<Content MD5=\"" + Md5Of(large) + "\" Size=\"20971520\">"));
}

// A worker in the middle of a file far too large to finish stops at its next read; with no
// worker to be had, the scan's own thread reads a file when it hands it over.
TEST_F(DigestTest, CancellingStopsTheWorkersAndTheScan) {
  const std::string huge = Terabyte("opt/huge.so");
  for (const std::string& path : {huge, tree_.Write("opt/small.so", "small")}) {
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    trk::TrkDigestJobT job;
    job.path = path;
    job.dir = std::make_shared<hx::UniqueFdC>(::open(tree_.File("opt").c_str(), O_RDONLY | O_DIRECTORY));
    job.name = path.substr(path.rfind('/') + 1);
    job.device = static_cast<uint64_t>(st.st_dev);
    job.inode = static_cast<uint64_t>(st.st_ino);
    if (path != huge) {
      trk::TrkDigestPoolC alone(0);
      alone.Submit(&job);
      EXPECT_TRUE(trk::TrkDigestPoolC::IsDone(&job));
      EXPECT_EQ(job.digest, Md5Of("small"));
      continue;
    }
    trk::TrkDigestPoolC pool(2);
    pool.Submit(&job);
    EXPECT_FALSE(pool.WaitFor(&job, 100));  // handed over, and far from done
    pool.Cancel();
    EXPECT_EQ(job.digest, "");
  }
  int polls = 0;
  TrkSoftwareHostT host;
  host.checkCancel = [&polls]() { return ++polls > 60 ? hx::RC_FAIL : hx::RC_OK; };
  const RunT run = Scan({"DigestThreads=2", "DigestMaxFileSize=2199023255552"}, host);
  EXPECT_EQ(run.result, hx::RC_FAIL);
  EXPECT_GT(polls, 60);
  EXPECT_FALSE(hxtest::Contains(run.log, "Finished tracking software"));
}

}  // namespace
