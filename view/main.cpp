// hxview: shows an inventory or a delta (.hxi, or the staged .hxi.gz) as a summary on the
// terminal, or with --html FILE as one self-contained page.

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/files/SafeFile.h"
#include "view/model/InventoryStream.h"
#include "view/render/HtmlPage.h"
#include "view/render/SummaryTables.h"
#include "view/render/TextSummary.h"

namespace {

constexpr int c_ExitOk = 0;
constexpr int c_ExitFailed = 1;
constexpr int c_ExitUsage = 2;
// The page holds the machine's inventory: readable by its owner only, like the inventory.
constexpr mode_t c_PageMode = 0600;

constexpr const char* c_Usage =
    "usage: hxview [--html FILE] INVENTORY\n"
    "  Shows an inventory or a delta (.hxi or .hxi.gz) as a summary; with --html, writes it\n"
    "  as a self-contained HTML page to FILE instead.\n";

int Usage() {
  std::fputs(c_Usage, stderr);
  return c_ExitUsage;
}

int WritePage(const std::string& path, const std::string& page) {
  // A link or another user's file at the page's name is replaced, never written through.
  hx::AtomicFileC file;
  hx::ResultT r = file.Open(path, c_PageMode);
  if (hx::Succeeded(r)) r = file.Write(page);
  if (hx::Succeeded(r)) r = file.Commit();
  if (hx::Failed(r)) {
    std::fprintf(stderr, "hxview: cannot write %s\n", path.c_str());
    return c_ExitFailed;
  }
  return c_ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::string html, input;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--html") == 0 && i + 1 < argc) html = argv[++i];
    else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage();
    else if (argv[i][0] == '-') return Usage();
    else if (input.empty()) input = argv[i];
    else return Usage();
  }
  if (input.empty()) return Usage();

  hxview::ViewDocT doc;
  std::string why;
  if (hx::Failed(hxview::ReadInventoryFile(input, &doc, &why))) {
    std::fprintf(stderr, "hxview: %s\n", why.c_str());
    return c_ExitFailed;
  }
  // What the summary leaves out is said in it, and here for whoever runs the viewer on many files.
  for (const std::string& line : hxview::LeftOut(doc))
    std::fprintf(stderr, "hxview: %s: %s\n", input.c_str(), hxview::Printable(line).c_str());
  if (!html.empty()) return WritePage(html, hxview::FormatHtmlPage(std::move(doc)));
  const bool written = hxview::WriteTextSummary(std::move(doc), [](const std::string& piece) {
    return std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size();
  });
  return written && std::fflush(stdout) == 0 ? c_ExitOk : c_ExitFailed;
}
