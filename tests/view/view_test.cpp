// hxview: the summaries of real inventories of the fixture machines (compared with expected
// files), and the reader and summary on documents made for the case.

#include <zlib.h>

#include <regex>

#include "app/AppTestSupport.h"
#include "view/model/InventoryStream.h"
#include "view/render/TextSummary.h"

namespace {

const std::string c_Machines = HX_SOURCE_DIR "/tests/fixtures/machines/";
const std::string c_Expected = HX_SOURCE_DIR "/tests/fixtures/view/";
constexpr const char* c_Viewer = HX_BINARY_DIR "/bin/hxview";
constexpr time_t c_BootTime = 1311769893;  // the machines' /proc/0, as their hardware tests date it

// One hxtrack run on a copy of a fixture machine, the staged .gz kept; the inventory's path.
std::string InventoryOf(const hxtest::TempDirC& dir, const std::string& name) {
  const std::string machine = dir.File("machine");
  hxtest::CopyTree(c_Machines + name, machine);
  const struct timespec times[2] = {{c_BootTime, 0}, {c_BootTime, 0}};
  ::utimensat(AT_FDCWD, (machine + "/proc/0").c_str(), times, 0);
  hxapp::TrackerProcessC p(dir, hxapp::QuietArgs({"-o", "Upload=False"}),
                           hxtest::ReadFile(HX_SOURCE_DIR "/etc/tarvosk.ini"));
  EXPECT_EQ(p.OnMachine(machine).Start(), hx::RC_OK);
  EXPECT_EQ(p.Finish(), 0u) << name;
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
  const std::string longName(5000, 'x');
  // shown: lines of the summary, in this order; none: refused
  struct CaseT { const char* what; std::string xml; std::vector<std::string> shown; };
  const CaseT cases[] = {
      {"packages are counted by type, the agent's own by their Type",
       "<Inventory MachineName=\"m\"><Package Name=\"a\" Evidence=\"SUNPKG\"/><Package Name=\"b\" Evidence=\"IPS\"/>"
       "<Package Name=\"c\" Evidence=\"SUNPKG\"><Property Name=\"Architecture\" Value=\"i386\"/></Package>"
       "<Package Name=\"d\" Evidence=\"Agent\" Type=\"HXP\"/><Package Name=\"e\"/></Inventory>",
       {"0 hardware instances in 0 classes, 5 packages, 0 tracked files", "Packages (5)", "  Type    Count",
        "  (none)      1", "  HXP         1", "  IPS         1", "  SUNPKG      2"}},
      {"a file shows once per instance, with its product; embedded content is not shown",
       "<Inventory><Content MD5=\"b1946ac92492d2347c6235b4d2611184\" Size=\"6\">"
       "<Instance Path=\"/opt/a/libw.so\" DateTime=\"20260301T101500\"/><Instance Path=\"/opt/b/libw.so\"/>"
       "<Property Name=\"ProductName\" Value=\"SUNWwidget\"/><Property Name=\"ProductVersion\" Value=\"7.1\"/>"
       "<Value>aGVsbG8K</Value></Content><Content MD5=\"NO_MD5\" Size=\"1234567\"/></Inventory>",
       {"Tracked files (3, 1234579 bytes)",
        "  Path               Size  DateTime         MD5                               Product",
        "  /opt/a/libw.so        6  20260301T101500  b1946ac92492d2347c6235b4d2611184  SUNWwidget 7.1",
        "  /opt/b/libw.so        6                   b1946ac92492d2347c6235b4d2611184  SUNWwidget 7.1",
        "                  1234567                   NO_MD5"}},
      {"instances of a class share columns; numbers align right, text by characters",
       "<Inventory><Hardware Class=\"C\" Name=\"d\xC3\xA9v0\" Evidence=\"\"><Property Name=\"Size\" Value=\"10\"/>"
       "</Hardware><Hardware Class=\"Other\" Name=\"o\"/><Hardware Class=\"C\" Name=\"dev1\" Evidence=\"\">"
       "<Property Name=\"Bus\" Value=\"pci\"/><Property Name=\"Size\" Value=\"2048\"/></Hardware></Inventory>",
       {"C (2)", "  (Name)  Size  Bus", "  d\xC3\xA9v0      10", "  dev1    2048  pci", "Other (1)",
        "  (Name)    o"}},
      {"other top-level elements are counted; control characters never reach the terminal",
       "<Inventory MachineName=\"m&#9;\xC2\x9B" "31m\"><Key Path=\"k\"/><Key Path=\"l\"/></Inventory>",
       {"Inventory of m??31m", "  MachineName  m??31m", "Other elements", "  Key          2"}},
      {"a value longer than the limit is cut at a character boundary",
       "<Inventory MachineName=\"" + longName.substr(0, 4095) + "\xC3\xA9" + longName + "\"/>",
       {"Inventory of " + longName.substr(0, 4095) + "..."}},
      {"a delta shows what was added, removed and updated, in that order",
       "<Inventory MachineName=\"m\" Type=\"Difference\" Generation=\"4\"><Remove><Package Name=\"old\" "
       "Evidence=\"IPS\"/></Remove><Update><Hardware Class=\"C\" Name=\"n\"><Property Name=\"P\" Value=\"2\"/>"
       "</Hardware></Update><Add/></Inventory>",
       {"Inventory delta of m, generation 4", "Added", "  nothing", "Removed", "Packages (1)", "  IPS       1",
        "Updated", "C (1)", "  P         2"}},
      // Refused: nothing to show.
      {"an empty document", "", {}},
      {"another root element", "<Package Name=\"a\"/>", {}},
      {"a document that is not well-formed", "<Inventory><Hardware></Inventory>", {}},
      {"an entity declaration", "<!DOCTYPE Inventory [<!ENTITY big \"aaaa\">]><Inventory MachineName=\"&big;\"/>", {}},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    hxview::ViewDocT doc;
    const hx::ResultT r = Read(c_Head + c.xml, &doc);
    ASSERT_EQ(hx::Succeeded(r), !c.shown.empty());
    const std::vector<std::string> lines = hx::SplitLines(hxview::FormatTextSummary(doc));
    auto at = lines.begin();
    for (const std::string& expected : c.shown) {
      at = std::find(at, lines.end(), expected);
      ASSERT_NE(at, lines.end()) << "missing or out of order: [" << expected << "]\n"
                                 << hxview::FormatTextSummary(doc);
    }
  }
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
