#pragma once
// Documents made to hurt the collector, shared by its hostile-input test (which checks that
// each is rejected with its reason within the memory cap) and its benchmark (which times each):
// every file of the inventory readers' fuzz corpora, and a set made here.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace collecthostile {

// The address space every document is ingested within: 64 MiB. A build with the address
// sanitizer reserves its shadow memory at start-up, far past any such cap: there the program
// runs uncapped, and the sanitizer watches its allocations instead.
constexpr const char* c_AddressSpace = "--as=67108864";
#if defined(__SANITIZE_ADDRESS__)
constexpr bool c_Capped = false;
#else
constexpr bool c_Capped = true;
#endif

struct HostileT {
  std::string name;    // the file's name in the inbox
  std::string path;    // where it is made or kept
  std::string reason;  // part of the rejection line ("" for any)
};

const std::string c_Root =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Inventory Audience=\"Machine\" MachineName=\"m\" DateTime=\"20261201T000000\" Type=\"Full\">";

inline void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// One line of 1 GiB, gzip'd as it is made (the file stays near 1 MiB): an attribute value that
// never ends, which a parser that waits for the end of its token holds whole.
inline void WriteLongLine(const std::string& path) {
  gzFile out = gzopen(path.c_str(), "wb1");
  const std::string piece(1 << 20, 'x');
  gzputs(out, (c_Root + "<Package Name=\"").c_str());
  for (int i = 0; i < 1024; ++i) gzwrite(out, piece.data(), static_cast<unsigned>(piece.size()));
  gzputs(out, "\"/></Inventory>");
  gzclose(out);
}

// Makes the set in `dir`; it and every corpus file.
inline std::vector<HostileT> HostileSet(const std::string& dir) {
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE Inventory [<!ENTITY l0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs += "]>\n" + c_Root.substr(c_Root.find("<Inventory")) + "<Package Name=\"&l9;\"/></Inventory>\n";
  std::string nested = c_Root;
  for (int i = 0; i < 100000; ++i) nested += "<a>";
  for (int i = 0; i < 100000; ++i) nested += "</a>";
  std::vector<HostileT> set = {{"laughs.hxi", dir + "/laughs.hxi", "entity declaration"},
                               {"long-line.hxi.gz", dir + "/long-line.hxi.gz", "longer than"},
                               {"nested.hxi", dir + "/nested.hxi", "nested deeper"}};
  WriteText(set[0].path, laughs);
  WriteLongLine(set[1].path);
  WriteText(set[2].path, nested + "</Inventory>\n");
  for (const char* corpus : {"inventory_reader", "inventory_view"}) {
    for (const auto& e : std::filesystem::directory_iterator(std::string(HX_SOURCE_DIR "/tests/fuzz/seeds/") + corpus))
      set.push_back({std::string(corpus) + "-" + e.path().filename().string(), e.path().string(), ""});
  }
  return set;
}

struct CappedRunT {
  bool exitedZero = false;
  double seconds = 0;
  long maxRssKb = 0;
};

// `hxcollect ingest INBOX --db DB` under the address-space cap, quiet.
inline CappedRunT IngestCapped(const std::string& inbox, const std::string& db) {
  const std::string program = HX_BINARY_DIR "/bin/hxcollect";
  std::vector<std::string> argv = {"prlimit", c_Capped ? c_AddressSpace : "--as=unlimited", "--", program, "ingest",
                                   inbox,     "--db", db};
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd < 3; ++fd) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
  CappedRunT run;
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  struct rusage usage = {};
  if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.exitedZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.maxRssKb = usage.ru_maxrss;
  return run;
}

}  // namespace collecthostile
