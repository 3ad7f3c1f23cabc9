// Whole hxtrack runs with the DB2 class on the DB2 fixture machines: the instances they
// report, the passwords of db2users (given on the command line or in the configuration) found
// nowhere but in su's input, and tools that hang, flood or die ending in time with the other
// classes still inventoried.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/AppTestSupport.h"

namespace {

const std::string c_Machines = HX_SOURCE_DIR "/tests/fixtures/machines/";
const std::string c_ShippedIni = HX_SOURCE_DIR "/etc/tarvosk.ini";
constexpr const char* c_ProductKey = "[Tarvosk\\Tracker\\CurrentVersion]\n";
constexpr uid_t c_Nobody = 65534;
const std::string c_Passwords[] = {"Inst2-Pw%7x", "Shared-Pw%3"};

// The shipped configuration with the DB2 class just before the last class of each system, and
// `settings` among the tracker's values.
std::string Configuration(const hxtest::TempDirC& dir, const std::string& settings) {
  std::string ini = hxtest::ReadFile(c_ShippedIni);
  for (const std::string os : {"SunOS", "Linux"}) {
    const std::string key = "[Tarvosk\\Tracker\\CurrentVersion\\" + os + "\\Hardware\\";
    ini = hx::ReplaceAll(ini, key + "TVK_Process]", key + "TVK_IBM_DB2]\nprovider=UnixIBMDB2\n" + key + "TVK_Process]");
  }
  ini = hx::ReplaceAll(ini, c_ProductKey, c_ProductKey + settings);
  return dir.Write("tarvosk.ini", ini + "\n[Tarvosk]\nPluginDirectory=" + dir.File("plugins") + "\n");
}

// A copy of a fixture machine whose instance owner's home belongs to that owner.
std::string CopyMachine(const hxtest::TempDirC& dir, const std::string& name, const std::string& ownedHome) {
  const std::string machine = dir.File("machine");
  hxtest::CopyTree(c_Machines + name, machine);
  EXPECT_EQ(::chown((machine + "/" + ownedHome).c_str(), c_Nobody, c_Nobody), 0);
  return machine;
}

void Tool(const std::string& path, const std::string& body) {
  hxtest::WriteFile(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
}

struct RunT {
  uint32_t exitCode = 0xFFFFFFFFu;
  bool timedOut = false;
  std::string inventory, log;
};

// One run with every trace switched on (the category trace into dir/category.trace, the flag
// trace into dir/flags.trace).
RunT RunTracker(const hxtest::TempDirC& dir, const std::string& ini, const std::string& machine,
                const std::vector<std::string>& args) {
  CommandLineC commandLine{hxapp::c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "Upload=False",
                           "-o", "UserName=auditor", "-o", "UserDomain=CORP"};
  for (const std::string& a : args) commandLine.Add(a);
  dir.Write("hxtrack.trace", "+Tracker\n+Communication\nfilename = " + dir.File("category.trace") + "\n");
  hxtest::ChildC p(commandLine);
  p.Environment({"TARVOSKCONFIGINI=" + ini, "TARVOSKINSTALLDIR=" + std::string(hxapp::c_BinaryDir),
                 "TARVOSKDATADIR=" + dir.File("data"), "TARVOSKSYSROOT=" + machine, "HXTRKTRACE=A-z",
                 "HXTRACEFILE=" + dir.File("flags.trace")})
      .WorkingDirectory(dir.Path());
  RunT run;
  EXPECT_EQ(p.Start(), hx::RC_OK);
  run.exitCode = p.Finish(std::chrono::seconds(90));
  run.timedOut = p.TimedOut();
  const std::string inventories = dir.File("data/tracker/inventories");
  const std::vector<std::string> files = hxapp::FilesIn(inventories, "");
  if (files.size() == 1) run.inventory = hxtest::ReadFile(inventories + "/" + files[0]);
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  return run;
}

std::string HardwareBlock(const std::string& document) {
  const std::string end = "\t</Hardware>\n";
  const size_t begin = document.find("\t<Hardware "), last = document.rfind(end);
  return begin == std::string::npos || last == std::string::npos ? "" : document.substr(begin, last + end.size() - begin);
}

// Every file the run left behind (its data directory, both traces, what su recorded of its
// arguments and environment) that holds one of the passwords.
std::vector<std::string> FilesWithPasswords(const hxtest::TempDirC& dir) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
    if (!entry.is_regular_file() || entry.path().filename() == "tarvosk.ini") continue;
    const std::string text = hxtest::ReadFile(entry.path());
    for (const std::string& password : c_Passwords) {
      if (hxtest::Contains(text, password) && !hx::EndsWith(entry.path().string(), "/bin/su"))
        found.push_back(entry.path().string());
    }
  }
  return found;
}

// The Solaris machine with the password of db2inst2 on the command line, the Linux one with a
// password for every owner in the configuration: the inventories hold what the expected files
// hold, an owner without a password has only its first licence instance and a log line that
// says why, and no password is anywhere but in su's input.
TEST(Db2OnFixtureMachine, InventoriesAndSecrets) {
  HX_TEST_NEEDS_ROOT();
  struct CaseT {
    const char* machine;
    const char* ownedHome;
    std::string settings;
    std::vector<std::string> args;
    std::vector<std::string> logged;
  } cases[] = {
      {"db2-solaris", "export/home/db2inst2", "", {"-o", "db2users=db2inst2:" + c_Passwords[0]},
       {"Program arguments are '" + std::string(hxapp::c_Program) +
            " -o UserInteractionLevel=QUIET -o Upload=False -o UserName=auditor -o UserDomain=CORP"
            " -o db2users=db2inst2:***'",
        "ERROR during DB2 scan: Running '/home/db2inst3/sqllib/adm/db2licm -l' failed with exit code 3758096386 and "
        "no password is available for impersonating user 'db2inst3'. No licence info will be available for this user.",
        "/export/home/db2inst2/sqllib/adm/db2licm' is not trusted and is not used"}},
      {"db2-linux", "home/db2inst1", "db2users=db2inst9:Other-Pw;" + c_Passwords[1] + "\n", {}, {}},
  };
  for (const CaseT& c : cases) {
    hxtest::TempDirC dir("hxdb2-run");
    const std::string machine = CopyMachine(dir, c.machine, c.ownedHome);
    const RunT run = RunTracker(dir, Configuration(dir, c.settings), machine, c.args);
    EXPECT_EQ(run.exitCode, 0u) << c.machine << "\n" << run.log;
    const std::string expected = HardwareBlock(hxtest::ReadFile(c_Machines + c.machine + "/expected-hardware.xml"));
    ASSERT_FALSE(expected.empty()) << c.machine;
    EXPECT_EQ(HardwareBlock(run.inventory), expected) << c.machine;
    for (const std::string& line : c.logged) EXPECT_TRUE(hxapp::Contains(run.log, line)) << line << "\n" << run.log;
    // su was given the user, "-c" and the licence tool as the machine names it.
    EXPECT_TRUE(hxapp::Contains(hxtest::ReadFile(machine + "/su.record"), "sqllib/adm/db2licm -l]\n")) << c.machine;
    EXPECT_TRUE(hxapp::Contains(hxtest::ReadFile(dir.File("category.trace")), "Creating child process '/bin/su"));
    EXPECT_EQ(FilesWithPasswords(dir), std::vector<std::string>()) << c.machine;
  }
}

// A su that hangs (its command holding the output open from a session of its own), a licence
// tool that prints 10 MB of random bytes, a db2ls killed by a signal: each run ends within the
// tool time limit and a few seconds, says what happened, and inventories the other classes.
TEST(Db2OnFixtureMachine, ToolsThatHangFloodOrDie) {
  HX_TEST_NEEDS_ROOT();
  struct CaseT {
    const char* tool;
    const char* body;
    const char* logged;
    bool installations;
  } cases[] = {
      {"bin/su", "setsid sleep 300 & echo $! >> \"$TARVOSKSYSROOT/held\"; sleep 300",
       "ERROR: Command '/bin/su db2inst2 -c \"/export/home/db2inst2/sqllib/adm/db2licm -l\"' was ended at its time "
       "limit of 2 seconds",
       true},
      {"export/home/db2inst1/sqllib/adm/db2licm", "head -c 10000000 /dev/urandom", "Finished tracking hardware", true},
      {"usr/local/bin/db2ls", "kill -9 $$", "ERROR: Command 'db2ls -c' was killed by signal 9", false},
  };
  for (const CaseT& c : cases) {
    hxtest::TempDirC dir("hxdb2-run");
    const std::string machine = CopyMachine(dir, "db2-solaris", "export/home/db2inst2");
    Tool(machine + "/" + c.tool, c.body);
    const RunT run = RunTracker(dir, Configuration(dir, ""), machine,
                                {"-o", "ToolTimeout=2", "-o", "db2users=db2inst2:" + c_Passwords[0]});
    for (const std::string& pid : hx::SplitLines(hxtest::ReadFile(machine + "/held"))) ::kill(std::stoi(pid), SIGKILL);
    EXPECT_FALSE(run.timedOut) << c.tool;
    EXPECT_EQ(run.exitCode, 0u) << c.tool << "\n" << run.log;
    EXPECT_TRUE(hxapp::Contains(run.log, c.logged)) << c.tool << "\n" << run.log;
    EXPECT_EQ(hxapp::Contains(run.inventory, "Class=\"TVK_IBM_DB2\""), c.installations) << c.tool;
    for (const char* other : {"TVK_OperatingSystem", "TVK_Process"})
      EXPECT_TRUE(hxapp::Contains(run.inventory, "Class=\"" + std::string(other) + "\"")) << c.tool << " " << other;
  }
}

}  // namespace
