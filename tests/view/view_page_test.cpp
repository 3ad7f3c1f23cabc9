// hxview's HTML page, opened in headless Chromium: it loads without script errors, a click on
// a column heading sorts the rows (numbers as numbers), the filter box hides rows, and markup
// from the inventory stays text.

#include "support/TestSupport.h"

namespace {

constexpr const char* c_Viewer = HX_BINARY_DIR "/bin/hxview";
constexpr const char* c_Check = HX_SOURCE_DIR "/tests/view/browser_check.py";
constexpr const char* c_Chromium = "/usr/bin/chromium";
constexpr const char* c_Python = "/usr/bin/python3";

// Disks whose sizes sort differently as numbers and as text; a file whose name and product
// hold markup that would run if the page did not escape it.
constexpr const char* c_Document =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Inventory MachineName=\"m\">"
    "<Hardware Class=\"Disk\" Name=\"disk0\" Evidence=\"\"><Property Name=\"Size\" Value=\"30\"/></Hardware>"
    "<Hardware Class=\"Disk\" Name=\"disk1\" Evidence=\"\"><Property Name=\"Size\" Value=\"4\"/></Hardware>"
    "<Hardware Class=\"Disk\" Name=\"disk2\" Evidence=\"\"><Property Name=\"Size\" Value=\"200\"/></Hardware>"
    "<Content MD5=\"NO_MD5\" Size=\"1\"><Instance Path=\"/opt/&lt;script&gt;window.injected=1&lt;/script&gt;.so\"/>"
    "<Property Name=\"ProductName\" Value=\"&quot;&gt;&lt;img src=x onerror=&quot;window.injected=2&quot;&gt;\"/>"
    "</Content></Inventory>\n";

// A file scan's table is past the rows the page makes into elements: 2,500 files whose sizes fall
// as their names rise, the first of them named with markup that would end the page's data.
std::string FileScan() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Inventory MachineName=\"m\">";
  for (int i = 0; i < 2500; ++i)
    xml += "<Content MD5=\"NO_MD5\" Size=\"" + std::to_string(2500 - i) + "\"><Instance Path=\"/opt/" +
           (i == 0 ? std::string("&lt;/script&gt;&lt;script&gt;window.injected=3&lt;/script&gt;") : std::to_string(10000 + i)) +
           "\"/></Content>";
  return xml + "</Inventory>\n";
}

// The paths of files first to last (the step -1 counts down).
std::string Paths(int first, int last) {
  std::string paths;
  for (int i = first; i != last + (first <= last ? 1 : -1); i += first <= last ? 1 : -1)
    paths += (paths.empty() ? "/opt/" : ",/opt/") + (i == 0 ? std::string("</script><script>window.injected=3</script>") : std::to_string(10000 + i));
  return paths;
}

TEST(ViewPageTest, ThePageSortsFiltersAndKeepsMarkupAsTextInARealBrowser) {
  // A machine without the browser cannot pass: the set-up script installs it.
  ASSERT_EQ(::access(c_Chromium, X_OK), 0) << c_Chromium << " is missing (scripts/setup.sh installs it)";
  struct CaseT { std::string document, table, column, typed, expected; };
  const CaseT cases[] = {
      {c_Document, "Disk (3)", "Size", "disk1",
       "shown 3\n"
       "rows disk0,disk1,disk2\n"       // as in the document
       "sorted disk1,disk0,disk2\n"     // by size, as numbers
       "reversed disk2,disk0,disk1\n"   // the second click
       "visible 1\n"                    // after typing disk1 into the filter
       "injected undefined\n"           // no markup from the document ran
       "literal 1\n"},                  // the file name shows as text
      // Built from the page's data a page at a time; sort and filter work on all of it.
      {FileScan(), "Tracked files (2500, 3.0 MiB, 3126250 bytes)", "Size", "script",
       "shown 1000\nrows " + Paths(0, 999) + "\nsorted " + Paths(2499, 1500) + "\nreversed " + Paths(0, 999) +
           "\nvisible 1\ninjected undefined\nliteral 1\n"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.table);
    hxtest::TempDirC dir("hxview-page");
    const std::string page = dir.File("page.html");
    hxtest::ChildC viewer(CommandLineC{c_Viewer, "--html", page, dir.Write("m.hxi", c.document)});
    ASSERT_EQ(viewer.Start(), hx::RC_OK);
    ASSERT_EQ(viewer.Finish(), 0u) << viewer.Err();
    const std::string html = hxtest::ReadFile(page);
    // Self-contained: nothing is fetched.
    for (const char* reference : {"src=\"", "href=", "http:", "https:"})
      EXPECT_FALSE(hxtest::Contains(html, reference)) << reference;

    hxtest::ChildC browser(CommandLineC{c_Python, c_Check, c_Chromium, page, c.table, c.column, c.typed});
    ASSERT_EQ(browser.Start(), hx::RC_OK);
    ASSERT_EQ(browser.Finish(std::chrono::seconds(90)), 0u) << browser.Out() << browser.Err();
    // Any script error, console error or blocked script would add an "error" line.
    EXPECT_EQ(browser.Out(), c.expected);
  }
}

}  // namespace
