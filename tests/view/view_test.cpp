// hxview: the summaries of real inventories of the fixture machines (compared with expected
// files), and the reader and summary on documents made for the case.

#include <zlib.h>

#include <regex>

#include "app/AppTestSupport.h"
#include "view/model/InventoryStream.h"
#include "view/render/TextSummary.h"

namespace {

const std::string c_Expected = HX_SOURCE_DIR "/tests/fixtures/view/";
constexpr const char* c_Viewer = HX_BINARY_DIR "/bin/hxview";

// One hxtrack run on a copy of a fixture machine, the staged .gz kept; the inventory's path.
std::string InventoryOf(const hxtest::TempDirC& dir, const std::string& name) {
  EXPECT_EQ(hxapp::RunOnMachine(dir, hxapp::CopyMachine(dir, name)).exitCode, 0u) << name;
  return hxapp::OnlyFile(dir.File("data/tracker/inventories"));
}

struct ViewT {
  uint32_t exitCode;
  std::string out, err;
};

ViewT RunViewer(const std::string& file) {
  hxtest::ChildC p(CommandLineC{c_Viewer, file});
  EXPECT_EQ(p.Start(), hx::RC_OK);
  const uint32_t code = p.Finish();
  return {code, p.Out(), p.Err()};
}

TEST(ViewFixtureTest, SummariesOfTheFixtureMachinesAreTheExpectedOnes) {
  for (const char* name : {"solaris10-x86", "solaris10-zone", "db2-solaris", "db2-linux", "uname-only"}) {
    SCOPED_TRACE(name);
    hxtest::TempDirC dir("hxview");
    const std::string inventory = InventoryOf(dir, name);
    const ViewT plain = RunViewer(inventory);
    EXPECT_EQ(plain.exitCode, 0u) << plain.err;
    // The staged copy is the same document compressed: the same summary.
    const ViewT staged = RunViewer(hxapp::OnlyFile(dir.File("data/uploads")));
    EXPECT_EQ(staged.out, plain.out);
    const std::string shown = std::regex_replace(plain.out, std::regex("(\n  DateTime +)[0-9T]+"), "$1<run time>");
    EXPECT_EQ(shown, hxtest::ReadFile(c_Expected + name + ".txt"));
  }
}

// ---- documents made for the case ----

constexpr const char* c_Head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

hx::ResultT Read(const std::string& xml, hxview::ViewDocT* doc) {
  hxview::InventoryStreamC stream(*doc);
  // Fed in small pieces: element boundaries fall anywhere, as they do between reads of a file.
  constexpr size_t kPiece = 7;
  for (size_t at = 0; at < xml.size(); at += kPiece) {
    const hx::ResultT r = stream.Feed(xml.data() + at, std::min(kPiece, xml.size() - at), false);
    if (hx::Failed(r)) return r;
  }
  return stream.Feed(nullptr, 0, true);
}

TEST(ViewSummaryTest, DocumentsShowWhatTheyHoldOrAreRefused) {
  // Every line expected, in this order, in the summary of a document; none: the document is refused.
  auto check = [](const std::string& xml, const std::vector<std::string>& shown) {
    hxview::ViewDocT doc;
    ASSERT_EQ(hx::Succeeded(Read(c_Head + xml, &doc)), !shown.empty());
    const std::vector<std::string> lines = hx::SplitLines(hxview::FormatTextSummary(doc));
    auto at = lines.begin();
    for (const std::string& expected : shown) {
      at = std::find(at, lines.end(), expected);
      ASSERT_NE(at, lines.end()) << "missing or out of order: [" << expected << "]\n"
                                 << hxview::FormatTextSummary(doc);
    }
  };
  // The cases: a document, then the lines of its summary.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("view-summaries.txt")) {
    SCOPED_TRACE(c.what);
    check(c.texts.at(0), hx::SplitLines(c.texts.at(1)));
  }
  // A value longer than the limit is cut at a character boundary.
  const std::string longName(5000, 'x');
  check("<Inventory MachineName=\"" + longName.substr(0, 4095) + "\xC3\xA9" + longName + "\"/>",
        {"Inventory of " + longName.substr(0, 4095) + "..."});
}

TEST(ViewFileTest, OnlyARegularFileNamedDirectlyIsRead) {
  hxtest::TempDirC dir("hxview");
  const std::string good = dir.Write("a.hxi", std::string(c_Head) + "<Inventory MachineName=\"m\"/>\n");
  const std::string gz = dir.File("a.hxi.gz"), link = dir.File("link.hxi");
  gzFile out = gzopen(gz.c_str(), "wb");
  ASSERT_TRUE(out != nullptr && gzputs(out, hxtest::ReadFile(good).c_str()) > 0 && gzclose(out) == Z_OK);
  const std::string cut = dir.Write("cut.hxi.gz", hxtest::ReadFile(gz).substr(0, 30));
  ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
  for (const std::string& path : {good, gz, cut, link, dir.Path(), dir.File("none")}) {
    const bool read = path == good || path == gz;
    const ViewT v = RunViewer(path);
    EXPECT_EQ(v.exitCode, read ? 0u : 1u) << path << "\n" << v.err;
    EXPECT_EQ(hxtest::Contains(v.out, "Inventory of m"), read) << path;
  }
}

}  // namespace
