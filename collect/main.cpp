// hxcollect: the command line of the fleet side. See docs/hxcollect.1.
//
//   hxcollect ingest DIR [--remove] [--incremental] [--watch]
//   hxcollect machines | packages NAME [--below VERSION] | changes MACHINE [--since TIME]
//            | files --md5 DIGEST | hardware CLASS | show MACHINE [--at TIME] [--hxi] [--configuration C] [--user U]
//   common: [--db PATH|URL] [--date-format FORMAT] [--csv|--json]

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "collect/ingest/IngestDir.h"
#include "collect/query/Questions.h"
#include "collect/store/Schema.h"

namespace {

constexpr int c_ExitFailed = 1;
constexpr int c_ExitUsage = 2;

const char* const c_Usage =
    "usage: hxcollect ingest DIR [--remove] [--incremental] [--watch]\n"
    "       hxcollect machines\n"
    "       hxcollect packages NAME [--below VERSION]\n"
    "       hxcollect changes MACHINE [--since TIME]\n"
    "       hxcollect files --md5 DIGEST\n"
    "       hxcollect hardware CLASS\n"
    "       hxcollect show MACHINE [--at TIME] [--hxi] [--configuration NAME] [--user NAME]\n"
    "options of all: [--db PATH|postgresql://...] [--date-format FORMAT] [--csv|--json]\n";

// Options that take a value, and switches.
const char* const c_Valued[] = {"--db", "--date-format", "--below", "--since", "--md5", "--at", "--configuration", "--user"};
const char* const c_Switches[] = {"--remove", "--incremental", "--watch", "--hxi", "--csv", "--json"};

struct ArgsT {
  std::string command;
  std::vector<std::string> operands;
  std::map<std::string, std::string> values;
  std::map<std::string, bool> switches;
  std::string Value(const char* name, const char* fallback = "") const {
    const auto it = values.find(name);
    return it != values.end() ? it->second : fallback;
  }
  bool On(const char* name) const { return switches.count(name) != 0; }
};

bool Parse(int argc, char** argv, ArgsT* args) {
  if (argc < 2) return false;
  args->command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    bool known = false;
    for (const char* v : c_Valued) {
      if (a != v) continue;
      if (i + 1 >= argc) return false;
      args->values[a] = argv[++i];
      known = true;
    }
    for (const char* s : c_Switches) {
      if (a != s) continue;
      args->switches[a] = true;
      known = true;
    }
    if (known) continue;
    if (a.rfind("--", 0) == 0) return false;
    args->operands.push_back(a);
  }
  return true;
}

// File names and texts of the documents come from other machines: no control character of
// theirs reaches the log.
void Log(const std::string& line) {
  std::string shown = line;
  for (char& c : shown) c = static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
  std::fprintf(stderr, "hxcollect: %s\n", shown.c_str());
}

int Ingest(hxc::SqlDbI& db, const ArgsT& a) {
  hxc::IngestDirOptionsT options;
  options.remove = a.On("--remove");
  options.ingest.incremental = a.On("--incremental");
  options.ingest.dateFormat = a.Value("--date-format", hxc::c_DefaultDateFormat);
  std::string why;
  if (a.On("--watch")) {
    if (hxc::WatchDir(db, a.operands[0], options, &Log, &why)) return 0;
    Log(why);
    return c_ExitFailed;
  }
  hxc::PassCountsT counts;
  if (!hxc::IngestPass(db, a.operands[0], options, &Log, &counts, &why)) {
    Log(why);
    return c_ExitFailed;
  }
  return counts.failed == 0 ? 0 : c_ExitFailed;
}

int Ask(hxc::SqlDbI& db, const ArgsT& a) {
  hxc::QueryOptionsT o;
  o.dateFormat = a.Value("--date-format", hxc::c_DefaultDateFormat);
  o.configuration = a.Value("--configuration");
  o.user = a.Value("--user");
  const std::string& c = a.command;
  const std::string first = a.operands.empty() ? std::string() : a.operands[0];
  hxc::TableT table;
  std::string document, why;
  bool ok = false;
  if (c == "machines") ok = hxc::AskMachines(db, &table, &why);
  else if (c == "packages") ok = hxc::AskPackages(db, first, a.Value("--below"), &table, &why);
  else if (c == "changes") ok = hxc::AskChanges(db, first, a.Value("--since"), o, &table, &why);
  else if (c == "files") ok = hxc::AskFiles(db, a.Value("--md5"), &table, &why);
  else if (c == "hardware") ok = hxc::AskHardware(db, first, &table, &why);
  else if (c == "show") ok = hxc::AskShow(db, first, a.Value("--at"), a.On("--hxi"), o, &table, &document, &why);
  if (!ok) {
    Log(why);
    return c_ExitFailed;
  }
  const hxc::FormatE format = a.On("--json") ? hxc::FormatE::Json : a.On("--csv") ? hxc::FormatE::Csv : hxc::FormatE::Text;
  const std::string text = a.On("--hxi") ? document : hxc::RenderTable(table, format);
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0 ? 0 : c_ExitFailed;
}

// How many operands each command takes.
int Operands(const std::string& command) {
  if (command == "ingest" || command == "packages" || command == "changes" || command == "show" || command == "hardware")
    return 1;
  if (command == "machines" || command == "files") return 0;
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::fputs(c_Usage, stdout);
    return 0;
  }
  ArgsT args;
  if (!Parse(argc, argv, &args) || Operands(args.command) != static_cast<int>(args.operands.size()) ||
      (args.command == "files" && args.Value("--md5").empty())) {
    std::fputs(c_Usage, stderr);
    return c_ExitUsage;
  }
  std::string why;
  std::unique_ptr<hxc::SqlDbI> db = hxc::OpenDatabase(args.Value("--db", "hxcollect.db"), &why);
  if (db == nullptr || hx::Failed(hxc::EnsureSchema(*db, &why))) {
    Log(why);
    return c_ExitFailed;
  }
  return args.command == "ingest" ? Ingest(*db, args) : Ask(*db, args);
}
