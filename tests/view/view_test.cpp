// hxview: the summaries of real inventories of the fixture machines (compared with expected
// files), and the reader and summary on documents made for the case.

#include <sys/resource.h>
#include <zlib.h>

#include <regex>

#include "app/AppTestSupport.h"
#include "view/model/DeltaChanges.h"
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

struct ViewT { uint32_t exitCode; std::string out, err; };

ViewT RunViewer(const std::string& file, const std::string& page = "", std::chrono::seconds limit = std::chrono::seconds(120)) {
  hxtest::ChildC p(page.empty() ? CommandLineC{c_Viewer, file} : CommandLineC{c_Viewer, "--html", page, file});
  EXPECT_EQ(p.Start(), hx::RC_OK);
  const uint32_t code = p.Finish(limit);
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
  // A delta may come with its base; "packages=PATTERN" lists the packages.
  auto check = [](const std::string& xml, const std::vector<std::string>& shown, const std::string& base = "",
                  const hxview::ViewOptionsT& options = {}) {
    hxview::ViewDocT doc;
    ASSERT_EQ(hx::Succeeded(Read(c_Head + xml, &doc)), !shown.empty());
    if (!base.empty()) {
      std::unordered_set<std::string> keys;
      for (const hxview::EntityT& e : doc.updated.entities) keys.insert(e.key);
      hxview::ViewDocT before;
      hxview::InventoryStreamC stream(before, &keys);
      ASSERT_EQ(stream.Feed(base.data(), base.size(), true), hx::RC_OK);
      doc.changes = hxview::CompareWithBase(doc.updated.entities, before.full.entities, hxview::DefaultIgnored());
      doc.baseRead = true;
    }
    const std::vector<std::string> lines = hx::SplitLines(hxview::FormatTextSummary(doc, options));
    auto at = lines.begin();
    for (const std::string& expected : shown) {
      at = std::find(at, lines.end(), expected);
      ASSERT_NE(at, lines.end()) << "missing or out of order: [" << expected << "]\n"
                                 << hxview::FormatTextSummary(doc, options);
    }
  };
  // The cases: a document, then the lines of its summary.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("view-summaries.txt")) {
    SCOPED_TRACE(c.what);
    const std::string extra = c.texts.size() > 2 ? c.texts[2] : "";
    const bool packages = extra.rfind("packages=", 0) == 0;
    check(c.texts.at(0), hx::SplitLines(c.texts.at(1)), packages ? "" : extra,
          {packages, packages ? extra.substr(9, extra.size() - 10) : ""});
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

// Crafted documents that cost minutes and gigabytes before: in both forms each ends far within the
// limits, saying what it left out (standard error, summary) or refused. Embedded content is read.
TEST(ViewFileTest, CraftedDocumentsAreCutOrRefusedWithinBounds) {
  hxtest::TempDirC dir("hxview");
  std::vector<std::string> files;
  {  // Written and dropped first: a child's peak memory counts what the test held when it forked.
    std::string columns, classes;
    for (int i = 0; i < 20000; ++i)
      columns += "<Hardware Class=\"C\" Name=\"i" + std::to_string(i) + "\"><Property Name=\"p" + std::to_string(i) + "\"/></Hardware>";
    for (int i = 0; i < 300000; ++i) classes += "<Hardware Class=\"c" + std::to_string(i) + "\"/>";
    const std::string big(64 << 20, 'A');
    for (const std::string& body : {columns, classes, "<Hardware Name=\"" + big + "\"/>",
                                    "<Content Size=\"1\"><Instance Path=\"/big\"/><Value>" + big + "</Value></Content>"})
      files.push_back(dir.Write(std::to_string(files.size()) + ".hxi", c_Head + ("<Inventory>" + body) + "</Inventory>\n"));
  }
  struct CaseT { const char* what; uint32_t exit; const char* said; const char* shown; };
  const CaseT cases[] = {
      {"20,000 instances, each with a property of its own", 0,
       "not shown: 19936 values of properties past the first 64 of the class", "\n  (Name)  Property  Value\n"},
      {"300,000 classes", 0, "not shown: 299000 hardware instances of 299000 classes past the first 1000",
       "300000 hardware instances in 300000 classes"},
      {"an attribute of 64 MiB", 1, "markup longer than 1048576 bytes refused at line 2, column 11", ""},
      {"64 MiB of embedded content", 0, "", "\n  /big     1\n"},
  };
  const std::string page = dir.File("page.html");
  for (size_t i = 0; i < files.size(); ++i) {
    const CaseT& c = cases[i];
    for (const bool html : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (html ? ", page" : ", text"));
      const ViewT v = RunViewer(files[i], html ? page : "", std::chrono::seconds(30));
      EXPECT_EQ(v.exitCode, c.exit) << v.err;
      EXPECT_TRUE(*c.said ? hxtest::Contains(v.err, c.said) : v.err.empty()) << v.err;
      // The page holds the same note as the text.
      const std::string shown = html ? hxtest::ReadFile(page) : v.out;
      EXPECT_TRUE(c.exit == 0 ? hxtest::Contains(shown, html ? c.said : c.shown) : v.out.empty()) << shown.substr(0, 2000);
      // The largest of the viewers run so far, in KiB; a sanitized build's figures are not its own.
      struct rusage usage = {};
      EXPECT_TRUE(hxtest::c_Sanitized || (::getrusage(RUSAGE_CHILDREN, &usage) == 0 && usage.ru_maxrss < 512L * 1024))
          << usage.ru_maxrss << " KiB";
    }
  }
}

}  // namespace
