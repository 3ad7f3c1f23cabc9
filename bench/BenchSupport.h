#pragma once
// What the benchmark programs share: a console reporter that also keeps the time per iteration
// of every run, so that each program can close with its figures set against its reference.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventory.h"

namespace hxbench {

// A fresh directory under /tmp for one program's files, removed with them at exit.
class BenchDirC {
 public:
  explicit BenchDirC(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
  }
  ~BenchDirC() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  BenchDirC(const BenchDirC&) = delete;
  BenchDirC& operator=(const BenchDirC&) = delete;
  std::string File(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

inline int64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

inline TrkInventoryHeaderT BenchHeader() {
  TrkInventoryHeaderT h;
  h.version = "9.2.0.1";
  h.inventoryType = "Machine";
  h.fullQualifiedDomainName = "bench.example.org";
  h.machineId = "bench";
  h.userId = "root";
  h.dateTime = "2026-03-01 10:00:00";
  return h;
}

// A file-scan inventory: `files` "Content" entities (MD5 and Size), each with an "Instance"
// child (Path and DateTime). With `changed`, 1% of the files differ from the unchanged form:
// every c_ChangedEvery-th file has another digest and size (a new item; its old form is gone)
// and every c_ChangedEvery-th file from c_TouchedFrom on another time stamp (the same item,
// updated).
constexpr int64_t c_ChangedEvery = 200;
constexpr int64_t c_TouchedFrom = 100;

// The digest text of file i in its first or its changed form.
inline std::string Md5Text(int64_t i, bool changed) {
  char text[33];
  const unsigned long long a = static_cast<unsigned long long>(i) * 0x9E3779B97F4A7C15ull + (changed ? 1 : 0);
  std::snprintf(text, sizeof text, "%016llx%016llx", a, ~a * 0xC2B2AE3D27D4EB4Full);
  return text;
}

inline RefM<TrkInventoryC> FilesInventory(int64_t files, bool changed) {
  RefM<TrkInventoryC> inventory = TrkInventoryC::New();
  TrkInventoryHeaderT h = BenchHeader();
  h.expectSoftware = true;
  // Fixed names, values present, new children: nothing here can be refused.
  HX_IGNORE_RESULT(inventory->AddRootAttributes(h));
  inventory->SetDeltaHeader(h);
  for (int64_t i = 0; i < files; ++i) {
    const bool isChanged = changed && i % c_ChangedEvery == 0;
    const bool isTouched = changed && i % c_ChangedEvery == c_TouchedFrom;
    RefM<TrkInventoryEntityC> content = TrkInventoryEntityC::New("Content");
    HX_IGNORE_RESULT(content->Add("MD5", Md5Text(i, isChanged)));
    HX_IGNORE_RESULT(content->Add("Size", std::to_string(4096 + i * 37 + (isChanged ? 1 : 0))));
    RefM<TrkInventoryEntityC> instance = TrkInventoryEntityC::New("Instance");
    HX_IGNORE_RESULT(instance->Add("Path", "/opt/app" + std::to_string(i / 1000) + "/lib/module" + std::to_string(i) + ".so"));
    HX_IGNORE_RESULT(instance->Add("DateTime", "2025-11-" + std::to_string(10 + i % 19) + (isTouched ? " 09:00:00" : " 08:15:00")));
    HX_IGNORE_RESULT(content->AddEntity(instance.get()));
    HX_IGNORE_RESULT(inventory->AddEntity(content.get()));
  }
  return inventory;
}

class RecordingReporterC : public benchmark::ConsoleReporter {
 public:
  struct TimesT {
    double real = 0, cpu = 0;  // seconds per iteration; zero when the run is missing or failed
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
      const double n = static_cast<double>(r.iterations);
      times_[r.benchmark_name()] = TimesT{r.real_accumulated_time / n, r.cpu_accumulated_time / n};
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // Times of the run named as the console shows it ("BM_Name/arg/real_time").
  TimesT Times(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? TimesT{} : it->second;
  }
  double Seconds(const std::string& name) const { return Times(name).real; }

 private:
  std::map<std::string, TimesT> times_;
};

// Keeps the real time per iteration of every repetition of every run, so that the closing
// lines can use medians: the host is shared, and one slow repetition says little.
class MedianReporterC : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred && r.iterations > 0)
        times_[r.run_name.function_name].push_back(r.real_accumulated_time / static_cast<double>(r.iterations));
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Median(const std::string& name) const {
    const auto it = times_.find(name);
    if (it == times_.end()) return 0;
    std::vector<double> t = it->second;
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
  }

 private:
  std::map<std::string, std::vector<double>> times_;
};


// ---- timing against a reference command ----

constexpr int c_Runs = 5;

inline double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One untimed run, then the median of c_Runs timed ones.
inline double Median(const std::function<void()>& work) {
  work();
  std::vector<double> times;
  for (int i = 0; i < c_Runs; ++i) times.push_back(Seconds(work));
  std::sort(times.begin(), times.end());
  return times[c_Runs / 2];
}

struct ChildResultT {
  bool ok = false;
  long maxRssKb = 0;
  double cpuSeconds = 0;  // user and system
};

// A child started without copying this process (posix_spawn, the program found through PATH):
// a fork would leave the large heap of the phase shared copy-on-write, and the next phase would
// pay for the copies. A quiet child reads and writes /dev/null.
inline ChildResultT RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                             bool quiet = false) {
  ChildResultT result;
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
    if (quiet) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  int status = 0;
  struct rusage usage = {};
  result.ok = wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  result.maxRssKb = usage.ru_maxrss;
  result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return result;
}

inline void Shell(const std::string& command) {
  if (!RunChild({"/bin/sh", "-c", command}).ok) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

struct ComparisonT {
  double ours = 0, theirs = 0, ratio = 0;  // medians of the runs, median of the pairs' ratios
  size_t files = 0;  // what the work tracked, when it says
  // The same for processor time (user and system), where both sides are programs.
  double oursCpu = 0, theirsCpu = 0, cpuRatio = 0;
};

inline double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The phase and a reference command, each warmed once, then run in c_Runs alternating pairs:
// on a shared machine the load changes from second to second, and a pair sees the same load.
inline ComparisonT ComparePairs(const std::function<void()>& work, const std::string& reference) {
  std::vector<double> ours, theirs, ratios;
  for (int i = 0; i <= c_Runs; ++i) {
    const double a = Seconds(work);
    const double b = Seconds([&] { Shell(reference); });
    if (i == 0) continue;  // the first pair warms the cache
    ours.push_back(a);
    theirs.push_back(b);
    ratios.push_back(a / b);
  }
  ComparisonT c;
  c.ours = MedianOf(ours);
  c.theirs = MedianOf(theirs);
  c.ratio = MedianOf(ratios);
  return c;
}

// Whole runs of bin/hxtrack with and without a delta, in alternating pairs: `options` are the
// run's -o options, `change` a shell command that changes the tracked files after the base run
// (or empty). Before every run the base inventory is put back in place, so that each delta
// finds the same changes, as a delta does against the last full inventory. What is timed is
// the program's own process, as an administrator times a run: putting the base back comes
// before the clock starts, and the shell that starts the program gives its place to it. In the
// result, "ours" is the run without the delta and "theirs" the run with it; besides the clock,
// the processor time of each run, which a loaded machine disturbs less.
inline ComparisonT DeltaBesideFull(const BenchDirC& dir, const std::string& options, const std::string& change) {
  const std::string inventories = dir.File("data") + "/tracker/inventories";
  // The shell only sets the environment and then becomes the program (exec).
  const std::string program = "export TARVOSKCONFIGINI=" + dir.File("tarvosk.ini") + " TARVOSKDATADIR=" + dir.File("data") +
                              " TARVOSKINSTALLDIR=" HX_BINARY_DIR "; exec " HX_BINARY_DIR "/bin/hxtrack"
                              " -o UserInteractionLevel=QUIET -o LowProfile=False -o Upload=False -o DigestCache=True"
                              " -o MinInventoryInterval=0 " + options;
  Shell(program + " > /dev/null");  // the base, and the digest cache of the tree
  Shell("mkdir -p " + dir.File("base") + " && cp " + inventories + "/*.hxi " + dir.File("base") + "/");
  if (!change.empty()) Shell(change);
  Shell("sleep 1.1");  // past the digest cache's time stamp granularity
  struct TimesT {
    double wall = 0, cpu = 0;
  };
  const auto timed = [&](const std::string& difference) {
    Shell("cp " + dir.File("base") + "/*.hxi " + inventories + "/");  // before the clock
    ChildResultT child;
    const double wall = Seconds([&] { child = RunChild({"/bin/sh", "-c", program + " -o Difference=" + difference}, {}, true); });
    if (!child.ok) {
      std::fprintf(stderr, "failed: a run with Difference=%s\n", difference.c_str());
      std::exit(1);
    }
    return TimesT{wall, child.cpuSeconds};
  };
  std::vector<double> full, delta, ratios, fullCpu, deltaCpu, cpuRatios;
  for (int i = 0; i <= c_Runs; ++i) {
    const TimesT a = timed("False"), b = timed("True");
    if (i == 0) continue;  // the first pair warms the cache
    full.push_back(a.wall);
    delta.push_back(b.wall);
    ratios.push_back(a.wall / b.wall);
    fullCpu.push_back(a.cpu);
    deltaCpu.push_back(b.cpu);
    cpuRatios.push_back(a.cpu / b.cpu);
  }
  ComparisonT c;
  c.ours = MedianOf(full);
  c.theirs = MedianOf(delta);
  c.ratio = MedianOf(ratios);
  c.oursCpu = MedianOf(fullCpu);
  c.theirsCpu = MedianOf(deltaCpu);
  c.cpuRatio = MedianOf(cpuRatios);
  return c;
}

}  // namespace hxbench
