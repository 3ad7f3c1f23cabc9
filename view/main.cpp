// hxview: shows an inventory or a delta (.hxi, or the staged .hxi.gz) as a summary on the
// terminal, or with --html FILE as one self-contained page; a delta's updated properties as
// old -> new when --base names the full inventory it was made against.

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "view/model/DeltaChanges.h"
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
    "usage: hxview [OPTION]... INVENTORY\n"
    "Shows an inventory or a delta (.hxi or .hxi.gz) as a summary on standard output.\n"
    "\n"
    "  --html FILE              write the summary as one self-contained HTML page to FILE\n"
    "                           instead (packages listed, tables sortable and filterable)\n"
    "  --packages[=PATTERN]     list the packages (name, version, type, install date) rather\n"
    "                           than count them by type; with PATTERN only those whose name\n"
    "                           holds it, or matches it when it has * ? or [ (case ignored)\n"
    "  --base FILE              for a delta: the full inventory it was made against, which\n"
    "                           holds the old values; each updated property is shown as\n"
    "                           old -> new\n"
    "  --ignore CLASS.PROPERTY  with --base, a change of this property does not count\n"
    "                           (repeatable; added to the default set)\n"
    "  --no-default-ignore      count changes of the properties ignored by default:\n";

constexpr const char* c_UsageEnd =
    "  -h, --help               show this help\n"
    "\n"
    "Exit status: 0 when shown, 1 when a file could not be read or written, 2 for a wrong\n"
    "command line.\n";

void PrintUsage(std::FILE* to) {
  std::fputs(c_Usage, to);
  for (const std::string& p : hxview::DefaultIgnored()) std::fprintf(to, "                           %s\n", p.c_str());
  std::fputs(c_UsageEnd, to);
}

int Usage() {
  PrintUsage(stderr);
  return c_ExitUsage;
}

// An option's value, given as "--name VALUE" or "--name=VALUE"; false when this is not the option.
HX_NODISCARD bool OptionValue(int argc, char** argv, int& i, const char* name, std::string* value, bool* missing) {
  const size_t n = std::strlen(name);
  if (std::strncmp(argv[i], name, n) != 0) return false;
  if (argv[i][n] == '=') {
    *value = argv[i] + n + 1;
  } else if (argv[i][n] == '\0' && i + 1 < argc) {
    *value = argv[++i];
  } else {
    *missing = argv[i][n] == '\0';
    return *missing;
  }
  *missing = value->empty();
  return true;
}

HX_NODISCARD int WritePage(const std::string& path, const std::string& page) {
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
  std::string html, input, base, ignore;
  hxview::ViewOptionsT options;
  std::set<std::string> ignored = hxview::DefaultIgnored();
  for (int i = 1; i < argc; ++i) {
    bool missing = false;
    if (OptionValue(argc, argv, i, "--html", &html, &missing) || OptionValue(argc, argv, i, "--base", &base, &missing)) {
      if (missing) return Usage();
    } else if (OptionValue(argc, argv, i, "--ignore", &ignore, &missing)) {
      if (missing || ignore.find('.') == std::string::npos) return Usage();
      ignored.insert(ignore);
    } else if (std::strcmp(argv[i], "--no-default-ignore") == 0) {
      for (const std::string& p : hxview::DefaultIgnored()) ignored.erase(p);
    } else if (std::strncmp(argv[i], "--packages", 10) == 0 && (argv[i][10] == '\0' || argv[i][10] == '=')) {
      options.listPackages = true;
      if (argv[i][10] == '=') options.packagePattern = argv[i] + 11;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage(stdout);
      return c_ExitOk;
    } else if (argv[i][0] == '-' || !input.empty()) {
      return Usage();
    } else {
      input = argv[i];
    }
  }
  if (input.empty()) return Usage();

  hxview::ViewDocT doc;
  std::string why;
  if (hx::Failed(hxview::ReadInventoryFile(input, &doc, &why))) {
    std::fprintf(stderr, "hxview: %s\n", why.c_str());
    return c_ExitFailed;
  }
  if (!base.empty() && doc.delta && hx::Failed(hxview::ReadBase(base, ignored, &doc, &why))) {
    std::fprintf(stderr, "hxview: %s\n", why.c_str());
    return c_ExitFailed;
  }
  if (!base.empty() && !doc.delta) std::fprintf(stderr, "hxview: %s: not a delta: --base is not used\n", input.c_str());
  // What the summary leaves out is said in it, and here for whoever runs the viewer on many files.
  for (const std::string& line : hxview::LeftOut(doc))
    std::fprintf(stderr, "hxview: %s: %s\n", input.c_str(), hxview::Printable(line).c_str());
  if (!html.empty()) return WritePage(html, hxview::FormatHtmlPage(std::move(doc), options));
  const bool written = hxview::WriteTextSummary(
      std::move(doc),
      [](const std::string& piece) { return std::fwrite(piece.data(), 1, piece.size(), stdout) == piece.size(); },
      options);
  return written && std::fflush(stdout) == 0 ? c_ExitOk : c_ExitFailed;
}
