// Runs whose tools misbehave, on a copy of a fixture machine: an ifconfig that never ends or
// never stops printing is ended at its limit, logged, and the run goes on with the other
// classes without growing; a tracker terminated while its tool runs leaves no tool behind and
// still closes its log.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/AppTestSupport.h"
#include "app/driver/TrkRunMessages.h"

namespace {

using hxapp::Contains;
using hxapp::TrackerProcessC;

const std::string c_Machine = HX_SOURCE_DIR "/tests/fixtures/machines/solaris10-x86";
constexpr long c_MaxPeakKiB = 100 * 1024;
const std::string c_ClassList =
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_OperatingSystem]\nprovider=UnixOperatingSystem\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_NetworkAdapterConfiguration]\n"
    "provider=UnixNetworkAdapterConfiguration\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_SystemEnclosure]\nprovider=SolarisSystemEnclosure\n";

// A copy of the fixture machine in dir whose ifconfig runs `body`.
std::string MachineWithIfconfig(const hxtest::TempDirC& dir, const std::string& body) {
  const std::string machine = dir.File("machine");
  std::filesystem::copy(c_Machine, machine, std::filesystem::copy_options::recursive);
  hxtest::WriteFile(machine + "/usr/sbin/ifconfig", "#!/bin/sh\n" + body + "\n");
  return machine;
}

// The high-water mark of a process's resident size in KiB, 0 once it has ended. (The reaped
// child's getrusage is no use in a test: a child forked from the test process carries the
// test's own high-water mark, and this one has held hundreds of megabytes by now.)
long HighWaterKiB(long pid) {
  const std::string status = hxtest::ReadFile("/proc/" + std::to_string(pid) + "/status");
  const size_t at = status.find("VmHWM:");
  return at == std::string::npos ? 0 : std::atol(status.c_str() + at + 6);
}

struct ToolRunT {
  uint32_t exitCode = 0;
  bool timedOut = false;
  long peakKiB = 0;  // the tracker's largest resident size, as last seen while it ran
  std::string log, inventory;
};

// One run on `machine` with ToolTimeout `timeout`; `during` acts on the running tracker.
ToolRunT RunOn(const hxtest::TempDirC& dir, const std::string& machine, const char* timeout,
               const std::function<void(TrackerProcessC&)>& during = nullptr) {
  TrackerProcessC p(dir, hxapp::QuietArgs({"-o", std::string("ToolTimeout=") + timeout, "-o", "Upload=False"}),
                    c_ClassList);
  p.OnMachine(machine);
  EXPECT_EQ(p.Start(), hx::RC_OK);
  ToolRunT run;
  std::atomic<bool> ended{false};
  std::thread watch([&] {
    for (; !ended; std::this_thread::sleep_for(std::chrono::milliseconds(2)))
      run.peakKiB = std::max(run.peakKiB, HighWaterKiB(p.Pid()));
  });
  if (during) during(p);
  run.exitCode = p.Finish(std::chrono::seconds(20));
  ended = true;
  watch.join();
  run.timedOut = p.TimedOut();
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  const std::string inventories = dir.File("data/tracker/inventories");
  for (const std::string& f : hxapp::FilesIn(inventories)) run.inventory += hxtest::ReadFile(inventories + "/" + f);
  return run;
}

TEST(ToolLimits, AToolThatHangsOrFloodsIsEndedAndTheRunGoesOn) {
  struct CaseT { const char* name; const char* ifconfig; const char* logged; } cases[] = {
      {"sleeps for ever", "exec sleep 600", "ERROR: Command 'ifconfig -a' was ended at its time limit of 3 seconds"},
      {"prints endlessly", "exec yes 'e1000g0: flags=1000843<UP,BROADCAST,RUNNING,MULTICAST,IPv4> mtu 1500'",
       "ERROR: Command 'ifconfig -a' was ended at its output limit"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.name);
    hxtest::TempDirC dir("hx-tools");
    const ToolRunT run = RunOn(dir, MachineWithIfconfig(dir, c.ifconfig), "3");
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(Contains(run.log, c.logged)) << run.log;
    EXPECT_TRUE(hxapp::EndsWithSeparator(run.log)) << run.log;
    EXPECT_TRUE(Contains(run.inventory, "Class=\"TVK_OperatingSystem\"")) << run.inventory;
    EXPECT_TRUE(Contains(run.inventory, "Class=\"TVK_SystemEnclosure\"")) << run.inventory;
    EXPECT_GT(run.peakKiB, 0);
    EXPECT_LT(run.peakKiB, c_MaxPeakKiB);
  }
}

// The tool's time limit is far away here: only the tracker's own stop can end it in time.
TEST(ToolLimits, TerminatedTrackerLeavesNoToolBehindAndClosesItsLog) {
  hxtest::TempDirC dir("hx-tools");
  const std::string pidFile = dir.File("tool.pid");
  const std::string machine = MachineWithIfconfig(dir, "sleep 600 & echo $! > '" + pidFile + "'; wait");
  const ToolRunT run = RunOn(dir, machine, "60", [&](TrackerProcessC& p) {
    for (int i = 0; i < 500 && hxtest::ReadFile(pidFile).empty(); ++i) ::usleep(20000);
    ::kill(static_cast<pid_t>(p.Pid()), SIGTERM);
  });
  const std::string toolPid = hxtest::ReadFile(pidFile);
  ASSERT_FALSE(toolPid.empty()) << run.log;
  for (int i = 0; i < 100 && !hxtest::ProcessEnded(std::stol(toolPid)); ++i) ::usleep(20000);
  EXPECT_TRUE(hxtest::ProcessEnded(std::stol(toolPid)));
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, hxapp::ExitStatusOf(trk::run::MSG_CANCELLED)) << run.log;
  EXPECT_TRUE(Contains(run.log, "WARNING: Inventory tracking terminated by user")) << run.log;
  EXPECT_TRUE(hxapp::EndsWithSeparator(run.log)) << run.log;
}

}  // namespace
