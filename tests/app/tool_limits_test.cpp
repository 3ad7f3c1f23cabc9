// Runs on a copy of a fixture machine whose ifconfig never ends or never stops printing: the
// tool is ended at its limit and logged, and the run goes on with the other classes without
// growing. A tracker terminated while its tool runs leaves no tool behind and closes its log;
// one terminated while it reads a large delta base ends at once as a cancelled run.

#include <atomic>
#include <csignal>

#include "app/AppTestSupport.h"
#include "app/driver/TrkRunMessages.h"

namespace {

using hxapp::Contains;

const std::string c_Machine = HX_SOURCE_DIR "/tests/fixtures/machines/solaris10-x86";
constexpr long c_MaxPeakKiB = 100 * 1024;
const std::string c_ClassList =
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_OperatingSystem]\nprovider=UnixOperatingSystem\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_NetworkAdapterConfiguration]\n"
    "provider=UnixNetworkAdapterConfiguration\n"
    "[Tarvosk\\Tracker\\CurrentVersion\\SunOS\\Hardware\\TVK_SystemEnclosure]\nprovider=SolarisSystemEnclosure\n";

// The high-water mark of a process's resident size in KiB, 0 once it has ended. (getrusage of a
// reaped child is no use here: a child forked from the test process starts with the test's own
// mark, hundreds of megabytes by now.)
long HighWaterKiB(long pid) {
  const std::string status = hxtest::ReadFile("/proc/" + std::to_string(pid) + "/status");
  const size_t at = status.find("VmHWM:");
  return at == std::string::npos ? 0 : std::atol(status.c_str() + at + 6);
}

TEST(ToolLimits, ToolsThatHangOrFloodAreEndedAndATerminatedTrackerLeavesNoneBehind) {
  struct CaseT { const char* ifconfig; const char* timeout; bool terminate; std::string logged; } cases[] = {
      {"exec sleep 600", "3", false, "was ended at its time limit of 3 seconds"},
      {"exec yes 'e1000g0: flags=1000843<UP,BROADCAST,RUNNING> mtu 1500'", "3", false, "was ended at its output limit"},
      // The time limit is far away: only the tracker's own stop can end this tool in time.
      {"sleep 600 & echo $! > \"$TARVOSKDATADIR/tool.pid\"; wait", "60", true, "was ended: the tracker is stopping"},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.ifconfig);
    hxtest::TempDirC dir("hx-tools");
    const std::string machine = dir.File("machine"), pidFile = dir.File("data/tool.pid");
    hxtest::CopyTree(c_Machine, machine);
    hxtest::WriteFile(machine + "/usr/sbin/ifconfig", std::string("#!/bin/sh\n") + c.ifconfig + "\n");
    hxapp::TrackerProcessC p(dir, hxapp::QuietArgs({"-o", std::string("ToolTimeout=") + c.timeout, "-o", "Upload=False"}),
                             c_ClassList);
    ASSERT_EQ(p.OnMachine(machine).Start(), hx::RC_OK);
    long peakKiB = 0;
    std::atomic<bool> ended{false};
    std::thread watch([&] {
      for (; !ended; std::this_thread::sleep_for(std::chrono::milliseconds(2)))
        peakKiB = std::max(peakKiB, HighWaterKiB(p.Pid()));
    });
    for (int i = 0; c.terminate && i < 500 && hxtest::ReadFile(pidFile).empty(); ++i) ::usleep(20000);
    if (c.terminate) ::kill(static_cast<pid_t>(p.Pid()), SIGTERM);
    const uint32_t exitCode = p.Finish(std::chrono::seconds(20));
    ended = true;
    watch.join();
    EXPECT_FALSE(p.TimedOut());
    const std::string log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
    EXPECT_TRUE(Contains(log, "ERROR: Command 'ifconfig -a' " + c.logged)) << log;
    EXPECT_TRUE(hxapp::EndsWithSeparator(log)) << log;
    // A sanitizer's shadow memory dwarfs the tracker's own: the bound holds for real builds.
    if (!hxtest::c_Sanitized) {
      EXPECT_TRUE(peakKiB > 0 && peakKiB < c_MaxPeakKiB) << peakKiB;
    }
    if (!c.terminate) {
      const std::string inventory = hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories")));
      EXPECT_TRUE(Contains(inventory, "Class=\"TVK_OperatingSystem\"")) << inventory;
      EXPECT_TRUE(Contains(inventory, "Class=\"TVK_SystemEnclosure\"")) << inventory;
      continue;
    }
    EXPECT_EQ(exitCode, hxapp::ExitStatusOf(trk::run::MSG_CANCELLED)) << log;
    EXPECT_TRUE(Contains(log, "WARNING: Inventory tracking terminated by user")) << log;
    const long toolPid = std::atol(hxtest::ReadFile(pidFile).c_str());
    for (int i = 0; i < 100 && !hxtest::ProcessEnded(toolPid); ++i) ::usleep(20000);
    EXPECT_TRUE(toolPid > 0 && hxtest::ProcessEnded(toolPid)) << toolPid;
  }
}

// A base of 600,000 files takes seconds to read; SIGTERM while it is read ends the run within
// a second, cancelled, with no full inventory written in the delta's place. In an IPC namespace
// of its own, so that no other run's lock can keep it waiting.
TEST(ToolLimits, ATerminatedRunStopsReadingItsDeltaBase) {
  HX_TEST_NEEDS_ROOT();
  hxtest::TempDirC dir("hx-stop");
  std::string base = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Inventory Type=\"Full\" Generation=\"0\">\n";
  for (int i = 0; i < 600000; ++i)
    base += "\t<Content MD5=\"\" Size=\"" + std::to_string(i) + "\">\n\t\t<Instance Path=\"/opt/f" + std::to_string(i) +
            "\" DateTime=\"20260101T000000\"/>\n\t</Content>\n";
  const std::string inventory = dir.Write("data/tracker/inventories/inv.hxi", base + "</Inventory>\n");
  const std::vector<std::string> args = hxapp::QuietArgs({"-o", "Hardware=False", "-o", "Difference=True", "-o",
                                                          "InventoryFile=inv.hxi", "-o", "PackageDatabaseTypes="});
  hxapp::TrackerProcessC p(dir, args);
  p.Through({"/usr/bin/unshare", "--ipc"});
  ASSERT_EQ(p.Start(), hx::RC_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ::kill(static_cast<pid_t>(p.Pid()), SIGTERM);
  const auto signalled = std::chrono::steady_clock::now();
  EXPECT_EQ(p.Finish(std::chrono::seconds(60)), hxapp::ExitStatusOf(trk::run::MSG_CANCELLED));
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(1));
  EXPECT_EQ(hxtest::ReadFile(inventory).size(), base.size() + 13);
}

}  // namespace
