// The category tracer: the category tree with inheritance, trace profiles, and the lines the
// file consumer writes.

#include <regex>

#include "foundation/messages/Errors.h"
#include "foundation/trace/TraceMessages.h"
#include "foundation/trace/Tracer.h"
#include "support/TestSupport.h"

namespace {

// A tracer of its own per test, its lines going to a temporary stream.
class TraceProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    out_ = std::tmpfile();
    ASSERT_NE(out_, nullptr);
  }
  void TearDown() override { std::fclose(out_); }

  hx::ResultT Load(const std::string& profile) {
    const std::string path = dir_.Write("test.trace", profile);
    const hx::ResultT rc = tracer_.registerTask("InventoryTracker", path.c_str(), "Inventory Tracker");
    tracer_.getDefaultConsumer()->setOutput(out_);
    return rc;
  }
  std::string Output() { return hxtest::ReadStream(out_); }

  hxtest::TempDirC dir_{"hxprof"};
  TracerC tracer_;
  std::FILE* out_ = nullptr;
};

TEST_F(TraceProfileTest, CategoriesInheritFromTheirParents) {
  ASSERT_EQ(Load("+Tracker/Inventory\n-Tracker/Inventory/Upload\n"), hx::RC_OK);
  const struct { const char* category; bool enabled; } cases[] = {
      {"Tracker/Inventory", true},          {"Tracker/Inventory/Generate", true},
      {"Tracker/Inventory/Compress/Deep", true}, {"Tracker/Inventory/Upload", false},
      {"Tracker/Inventory/Upload/Retry", false}, {"Tracker", false},
      {"Tracker/Software", false},          {"Tracker//Inventory/", true},
  };
  for (const auto& c : cases) EXPECT_EQ(tracer_.enabled(c.category, nullptr), c.enabled) << c.category;

  // Back to inheriting: the child follows its parent again.
  tracer_.controller().inherit(tracer_.getDefaultConsumer(), "Tracker/Inventory/Upload");
  EXPECT_TRUE(tracer_.enabled("Tracker/Inventory/Upload", nullptr));
  tracer_.controller().disable(tracer_.getDefaultConsumer(), "Tracker");
  EXPECT_TRUE(tracer_.enabled("Tracker/Inventory/Upload", nullptr));
  tracer_.controller().disable(tracer_.getDefaultConsumer(), "Tracker/Inventory");
  EXPECT_FALSE(tracer_.enabled("Tracker/Inventory/Upload", nullptr));
}

TEST_F(TraceProfileTest, ProfileLinesAndAttributes) {
  const std::string profile =
      "# trace of the upload\n"
      "   Tracker/Packages   # a line without '=' switches a category on\n"
      "\n"
      "\t+ Tracker/Registry \t\r\n"
      "*/Upload\n+*Compress\n"  // class patterns: by the last component
      "Max_Detail = 3\nTIMEDELTAS=1\nshow_process = yes\nshow_threads=off\nflush_freq = 4\nmax_indent = 2\n"
      "max_detail = many\nunknown_attribute = 5\n";
  ASSERT_EQ(Load(profile), hx::RC_OK);
  for (const char* on : {"Tracker/Packages", "Tracker/Registry", "Tracker/Inventory/Upload", "Other/Upload",
                         "Tracker/Inventory/Compress"})
    EXPECT_TRUE(tracer_.enabled(on, nullptr)) << on;
  for (const char* off : {"Tracker/Inventory", "Tracker/Uploads"}) EXPECT_FALSE(tracer_.enabled(off, nullptr)) << off;
  const TraceFileSettingsT s = tracer_.getDefaultConsumer()->settings();
  EXPECT_EQ(s.maxDetail, 3);
  EXPECT_TRUE(s.timeDeltas);
  EXPECT_TRUE(s.showProcess);
  EXPECT_FALSE(s.showThreads);
  EXPECT_EQ(s.flushFreq, 4u);
  EXPECT_EQ(s.maxIndent, 2);
  EXPECT_EQ(tracer_.controller().detail(tracer_.getDefaultConsumer()), 3);
}

TEST_F(TraceProfileTest, DetailLevelLimitsTheLines) {
  ASSERT_EQ(Load("+Tracker\nmax_detail = 3\n"), hx::RC_OK);
  tracer_.trace("3,Tracker/Hardware", nullptr, "detail three\n");
  tracer_.trace("4,Tracker/Hardware", nullptr, "detail four\n");
  tracer_.trace("Tracker/Hardware", nullptr, "no detail\n");
  EXPECT_EQ(Output(), "detail three\nno detail\n");
}

TEST_F(TraceProfileTest, OverlongAndBinaryLinesAreCutSafely) {
  const std::string longName(10000, 'L');
  std::string profile = "+" + longName + "\n";
  profile += "# " + std::string(9000, '=') + "\n";
  profile += "filename" + std::string(5000, ' ') + "= x\n";  // its '=' lies beyond the cut
  profile += "-\n+\n";                                      // no category named: ignored
  profile += "max_detail = 5\n";
  ASSERT_EQ(Load(profile), hx::RC_OK);
  // Only the first 255 characters of the long line count: "+" and 254 letters.
  EXPECT_TRUE(tracer_.enabled(longName.substr(0, 254), nullptr));
  EXPECT_FALSE(tracer_.enabled("Tracker", nullptr));
  EXPECT_EQ(tracer_.getDefaultConsumer()->settings().maxDetail, 5);
  EXPECT_EQ(tracer_.getDefaultConsumer()->settings().filename, "");
}

TEST_F(TraceProfileTest, MissingProfileChangesNothing) {
  const hx::ResultT rc = tracer_.registerTask("InventoryTracker", "/nonexistent-dir/hxtrack.trace", "Inventory Tracker");
  EXPECT_EQ(rc, hx::RcFromErrno(ENOENT));
  EXPECT_EQ(tracer_.getDefaultConsumer()->settings().maxDetail, TraceControllerC::kDefaultDetail);
  EXPECT_FALSE(tracer_.controller().anyEnabled());
}

TEST_F(TraceProfileTest, LinePrefix) {
  ASSERT_EQ(Load("+Tracker\ntimestamp=1\ntimeofday=1\ntimedeltas=1\nshow_process=1\nshow_threads=1\n"
                 "show_class=1\nmax_indent=1\n"),
            hx::RC_OK);
  tracer_.trace("Tracker/Hardware", nullptr, "Loaded %s provider\n", "Processor");
  tracer_.trace("Tracker/Hardware", nullptr, "no line end");
  tracer_.trace("Tracker/Hardware", nullptr, "last\n");
  const std::string out = Output();
  const std::regex line(
      R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \d\d:\d\d:\d\d\.\d{3} \+\d+\.\d{4} \(pid \d+, thread 0x[0-9a-f]+\) )"
      R"(\[Tracker/Hardware\]: )");
  const std::vector<std::string> lines = hx::SplitLines(out);
  ASSERT_EQ(lines.size(), 3u) << out;
  const char* texts[] = {"Loaded Processor provider", "no line end", "last"};
  for (size_t i = 0; i < 3; ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(lines[i], m, line)) << lines[i];
    EXPECT_EQ(m.position(0), 0);
    EXPECT_EQ(m.suffix().str(), texts[i]);
  }
}

TEST_F(TraceProfileTest, TraceFileIsCreatedOnFirstLine) {
  const std::string target = dir_.File("out-%p.trace");
  ASSERT_EQ(Load("+Tracker\nfilename = " + target + "\n"), hx::RC_OK);
  tracer_.getDefaultConsumer()->setOutput(nullptr);
  std::string expanded = target;
  expanded.replace(expanded.find("%p"), 2, std::to_string(getpid()));
  EXPECT_NE(access(expanded.c_str(), F_OK), 0) << "created before any line";
  tracer_.trace("Tracker/Inventory", nullptr, "Started generating inventory\n");
  tracer_.trace("Tracker/Inventory", nullptr, "bytes \xff\n");
  EXPECT_EQ(hxtest::ReadFile(expanded), "Started generating inventory\nbytes \xc3\xbf\n");
}

TEST_F(TraceProfileTest, UnopenableTraceFileIsReportedOnce) {
  ASSERT_EQ(Load("+Tracker\nfilename = /nonexistent-dir/out.trace\n"), hx::RC_OK);
  tracer_.getDefaultConsumer()->setOutput(nullptr);
  getErrBuf()->reset();
  tracer_.trace("Tracker/Inventory", nullptr, "one\n");
  tracer_.trace("Tracker/Inventory", nullptr, "two\n");
  ASSERT_EQ(getErrBuf()->count(), 1u);
  EXPECT_EQ(getErrBuf()->get(0)->id(), hx::kMsgTraceFileOpenFailed);
  EXPECT_EQ(getErrBuf()->get(0)->problem(), "Failed to open trace file");
  getErrBuf()->reset();
}

TEST_F(TraceProfileTest, CallSiteCacheFollowsLaterChanges) {
  ASSERT_EQ(Load("+Tracker\n"), hx::RC_OK);
  TraceCacheT cache;
  EXPECT_TRUE(tracer_.enabled("Tracker/Software", &cache));
  ASSERT_NE(cache.var.load(), nullptr);
  tracer_.controller().disable(tracer_.getDefaultConsumer(), "Tracker/Software");
  EXPECT_FALSE(tracer_.enabled("Tracker/Software", &cache));
  tracer_.controller().enable(tracer_.getDefaultConsumer(), "Tracker/Software");
  tracer_.trace("Tracker/Software", &cache, "Directory tracked: %s\n", "/opt");
  EXPECT_EQ(Output(), "Directory tracked: /opt\n");
}

TEST(TraceProcessTest, CallSiteApiUsesTheProcessTracer) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  hx::TraceSetOutput(out);
  static hx::TraceSiteC s_site("Tracker/Preferences");
  hx::Trace(s_site, "off %d\n", 1);
  hx::TraceEnable("Tracker/Preferences");
  hx::Trace(s_site, "on %d\n", 2);
  hx::Trace("Tracker/Preferences/Validate", "child %s\n", "too");
  hx::TraceInherit("Tracker/Preferences");
  hx::Trace(s_site, "off again\n");
  hx::TraceSetOutput(nullptr);
  const std::string text = hxtest::ReadStream(out);
  std::fclose(out);
  EXPECT_EQ(text, "on 2\nchild too\n");
}

}  // namespace
