// Whole hxtrack runs with the DB2 class on the DB2 fixture machines: the instances they
// report, the passwords of db2users (given on the command line or in the configuration) found
// nowhere but in su's input, and tools that hang, flood or die ending in time with the other
// classes still inventoried.

#include "app/AppTestSupport.h"
#include "prefs/tracker/ProductInfo.h"

namespace {

using hxapp::c_Machines;
using hxapp::HardwareBlock;
const std::string c_Passwords[] = {"Inst2-Pw%7x", "Shared-Pw%3"};

struct RunT { uint32_t exitCode = 0xFFFFFFFFu; std::string inventory, log, machine; };

// A run on a copy of `name` (the home of its su-only owner given to another user, `tool`
// replaced by a script of `body` when given) with the shipped configuration, the DB2 class
// just before the last class, `settings` among the tracker's values, and every trace on.
RunT RunOn(const hxtest::TempDirC& dir, const std::string& name, const std::string& settings,
           const std::vector<std::string>& args, const std::string& tool = "", const std::string& body = "") {
  RunT run;
  run.machine = dir.File("machine");
  hxtest::CopyTree(c_Machines + name, run.machine);
  const std::string home = name == "db2-linux" ? "/home/db2inst1" : "/export/home/db2inst2";
  EXPECT_EQ(::chown((run.machine + home).c_str(), 65534, 65534), 0);
  if (!tool.empty()) hxtest::WriteFile(run.machine + "/" + tool, "#!/bin/sh\n" + body + "\n");
  std::string ini = hxtest::ReadFile(HX_SOURCE_DIR "/etc/tarvosk.ini");
  for (const std::string os : {"SunOS", "Linux"}) {
    const std::string key = "[Tarvosk\\Tracker\\CurrentVersion\\" + os + "\\Hardware\\";
    ini = hx::ReplaceAll(ini, key + "TVK_Process]", key + "TVK_IBM_DB2]\nprovider=UnixIBMDB2\n" + key + "TVK_Process]");
  }
  ini = hx::ReplaceAll(ini, "[Tarvosk\\Tracker\\CurrentVersion]\n", "[Tarvosk\\Tracker\\CurrentVersion]\n" + settings);
  dir.Write("tarvosk.ini", ini + "\n[Tarvosk]\nPluginDirectory=" + dir.File("plugins") + "\n");
  dir.Write("hxtrack.trace", "+Tracker\n+Communication\nfilename = " + dir.File("category.trace") + "\n");

  CommandLineC commandLine{hxapp::c_Program, "-o", "UserInteractionLevel=QUIET", "-o", "Upload=False",
                           "-o", "UserName=auditor", "-o", "UserDomain=CORP"};
  for (const std::string& a : args) commandLine.Add(a);
  hxtest::ChildC p(commandLine);
  p.Environment({"TARVOSKCONFIGINI=" + dir.File("tarvosk.ini"), "TARVOSKINSTALLDIR=" + std::string(hxapp::c_BinaryDir),
                 "TARVOSKDATADIR=" + dir.File("data"), "TARVOSKSYSROOT=" + run.machine, "HXTRKTRACE=A-z",
                 "HXTRACEFILE=" + dir.File("flags.trace")})
      .WorkingDirectory(dir.Path());
  EXPECT_EQ(p.Start(), hx::RC_OK);
  run.exitCode = p.Finish(std::chrono::seconds(90));  // a run that outlives this is killed
  const std::string inventories = dir.File("data/tracker/inventories");
  const std::vector<std::string> files = hxapp::FilesIn(inventories, "");
  if (files.size() == 1) run.inventory = hxtest::ReadFile(inventories + "/" + files[0]);
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  return run;
}

// The files the run left that hold a password: its data directory, both traces, and what the
// fake su recorded of its arguments and environment (the configuration and the fake su itself,
// which hold them by design, aside).
std::vector<std::string> FilesWithPasswords(const hxtest::TempDirC& dir) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() || hx::EndsWith(path, "/tarvosk.ini") || hx::EndsWith(path, "/bin/su")) continue;
    const std::string text = hxtest::ReadFile(path);
    for (const std::string& password : c_Passwords)
      if (hxtest::Contains(text, password)) found.push_back(path);
  }
  return found;
}

// The Solaris machine with the password of db2inst2 on the command line, the Linux one with
// a password alone in the configuration (which root, never asked, does not give away): the
// inventories hold what the expected files hold,
// an owner without a password has only its first licence instance and a log line that says
// why, and no password is anywhere but in su's input.
TEST(Db2OnFixtureMachine, InventoriesAndSecrets) {
  HX_TEST_NEEDS_ROOT();
  // account: the user, home and shell su was started with; tool, body: a tool of the machine replaced
  const struct { const char* machine; std::string settings; std::vector<std::string> args; std::string logged, account, tool, body; }
  cases[] = {
      {"db2-solaris", "", {"-o", "db2users=db2inst2:" + c_Passwords[0]},
       "ERROR during DB2 scan: Running '/home/db2inst3/sqllib/adm/db2licm -l' failed with exit code 3758096386 and "
       "no password is available for impersonating user 'db2inst3'. No licence info will be available for this user.",
       "db2inst2 /export/home/db2inst2/ /bin/ksh", "", ""},
      {"db2-linux", "db2users=db2inst9:Other-Pw;" + c_Passwords[1] + "\n", {},
       "/home/db2inst1/sqllib/adm/db2licm' is not trusted and is not used", "db2inst1 /home/db2inst1 /bin/bash", "",
       ""},
      // A ps that refuses the listing, as Linux's does: the owners come from the machine's /proc.
      {"db2-linux", "db2users=" + c_Passwords[1] + "\n", {},
       "DB2 scan: the process listing 'ps -axeo %u:%c' failed (result 0x1); the owners of the db2sysc processes are "
       "taken from /proc", "db2inst1 /home/db2inst1 /bin/bash", "usr/bin/ps",
       "echo 'error: must set personality to get -x option' >&2; exit 1"},
  };
  for (const auto& c : cases) {
    hxtest::TempDirC dir("hxdb2-run");
    const RunT run = RunOn(dir, c.machine, c.settings, c.args, c.tool, c.body);
    EXPECT_EQ(run.exitCode, 0u) << c.machine << "\n" << run.log;
    const std::string expected = HardwareBlock(hxtest::ReadFile(c_Machines + c.machine + "/expected-hardware.xml"));
    ASSERT_FALSE(expected.empty()) << c.machine;
    EXPECT_EQ(HardwareBlock(run.inventory), expected) << c.machine;
    EXPECT_TRUE(hxapp::Contains(run.log, c.logged)) << run.log;
    EXPECT_TRUE(hxapp::Contains(run.log, "UserDomain=CORP" + std::string(c.args.empty() ? "" : " -o db2users=db2inst2:***") + "'\n"));
    // su was given the user, "-c" and the licence tool as the machine names it, and the account's
    // environment alone.
    const std::string su = hxtest::ReadFile(run.machine + "/su.record");
    const StringArrayC account = hx::Split(c.account, ' ');
    EXPECT_TRUE(hxapp::Contains(su, "sqllib/adm/db2licm -l]\nPATH=/usr/bin:/bin:/usr/sbin:/sbin\nHOME=" + account[1] +
                                        "\nUSER=" + account[0] + "\nLOGNAME=" + account[0] + "\nSHELL=" + account[2] +
                                        "\nLANG=C\n\n")) << su;
    // As root, a password alone is never written at a prompt: root is never asked for one.
    EXPECT_FALSE(hxapp::Contains(su, "answered a prompt")) << c.machine;
    EXPECT_TRUE(hxapp::Contains(hxtest::ReadFile(dir.File("category.trace")), "Creating child process '/bin/su"));
    // Every flag was on: the flag trace holds the run's steps, and no password among them.
    const std::string flags = hxtest::ReadFile(dir.File("flags.trace"));
    const std::string header = std::string(trk::c_ProductTitle) + " for hxtrack trace file\nVersion " + trk::c_ProductVersion + "\n";
    for (const std::string& line : {header, "Preferences directory: " + dir.Path() + "\n", std::string("Phase hardware started"),
                                    std::string("Phase packages ended: 0x00000000"), std::string("Class TVK_")})
      EXPECT_TRUE(hxapp::Contains(flags, line)) << line;
    EXPECT_EQ(FilesWithPasswords(dir), std::vector<std::string>()) << c.machine;
  }
}

// A su that hangs (its command holding the output open from a session of its own), a licence
// tool run through su that ignores SIGTERM, a licence tool that prints 10 MB of random bytes, a
// db2ls killed by a signal, a licence tool that outlasts the step's own limit: each run ends
// within the time limits and a few seconds, leaves nothing of the tool's sessions running,
// says what happened, and inventories the other classes.
TEST(Db2OnFixtureMachine, ToolsThatHangFloodOrDie) {
  HX_TEST_NEEDS_ROOT();
  const std::string inst2Su = "ERROR: Command '/bin/su db2inst2 -c \"/export/home/db2inst2/sqllib/adm/db2licm -l\"' ";
  const std::string inst1Tool = "export/home/db2inst1/sqllib/adm/db2licm";
  const struct { std::string tool, body, step, logged; bool installations; } cases[] = {
      {"bin/su", "setsid sleep 300 & echo $! >> \"${0%/bin/su}/held\"; sleep 300", "",
       inst2Su + "was ended at its time limit of 2 seconds", true},
      {"export/home/db2inst2/sqllib/adm/db2licm", "trap '' TERM; echo $$ >> \"${0%/export/*}/held\"; sleep 300", "",
       inst2Su + "was ended at its time limit of 2 seconds", true},
      // Its output held by a child in a session of its own after su has gone.
      {"export/home/db2inst2/sqllib/adm/db2licm", "setsid sleep 300 & echo $! >> \"${0%/export/*}/held\"; sleep 1", "",
       inst2Su + "was ended at its time limit of 2 seconds", true},
      {inst1Tool, "head -c 10000000 /dev/urandom", "", "Finished tracking hardware", true},
      {"usr/local/bin/db2ls", "kill -9 $$", "", "ERROR: Command 'db2ls -c' was killed by signal 9", false},
      {inst1Tool, "sleep 300", "1", "ERROR: Command '/" + inst1Tool + " -l' was ended at its time limit of 1 seconds", true},
      {inst1Tool, "sleep 300", "1", "ERROR during DB2 scan: Time limit of 1 seconds (DB2Timeout) reached; "
       "'/export/home/db2inst2/sqllib/adm/db2licm -l' and the queries after it were not run.", true},
  };
  for (const auto& c : cases) {
    hxtest::TempDirC dir("hxdb2-run");
    const RunT run = RunOn(dir, "db2-solaris", "", {"-o", "ToolTimeout=2", "-o", "db2users=db2inst2:" + c_Passwords[0],
                                                    "-o", "DB2Timeout=" + c.step}, c.tool, c.body);
    for (const std::string& pid : hx::SplitLines(hxtest::ReadFile(run.machine + "/held"))) {
      const bool ended = hxtest::ProcessEnded(std::stol(pid));
      EXPECT_TRUE(ended) << c.tool << " left " << pid;
      if (!ended) ::kill(std::stoi(pid), SIGKILL);
    }
    EXPECT_EQ(run.exitCode, 0u) << c.tool << "\n" << run.log;
    EXPECT_TRUE(hxapp::Contains(run.log, c.logged)) << c.tool << "\n" << run.log;
    EXPECT_EQ(hxapp::Contains(run.inventory, "Class=\"TVK_IBM_DB2\""), c.installations) << c.tool;
    for (const char* other : {"TVK_OperatingSystem", "TVK_Process"})
      EXPECT_TRUE(hxapp::Contains(run.inventory, "Class=\"" + std::string(other) + "\"")) << c.tool << " " << other;
  }
}

}  // namespace
