// The program itself: hxtrack loads its preferences at start-up and exits with the result;
// its log and, with a trace profile in the working directory, its preference trace show what
// it read.

#include <gtest/gtest.h>

#include "prefs/tracker/TrkMessages.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* c_Program = HX_BINARY_DIR "/bin/hxtrack";

struct RunT { uint32_t exitCode = 0xFFFFFFFFu; std::string log; };

// Runs hxtrack in `dir` with its configuration and data there.
RunT RunTracker(const hxtest::TempDirC& dir, const std::vector<std::string>& args) {
  // At the Status level the run never asks on the terminal, so the test cannot stop and wait
  // when it is started from one.
  const std::string ini = dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.Path() +
                                                       "/server\n[Tarvosk\\Tracker\\CurrentVersion]\n"
                                                       "UserInteractionLevel=Status\n");
  CommandLineC commandLine{c_Program};
  for (const std::string& a : args) commandLine.Add(a);
  hxtest::ChildC p(commandLine);
  // A run ends with the upload: the build's install directory holds lib/libuploader.so.
  p.Environment({"TARVOSKCONFIGINI=" + ini, "TARVOSKDATADIR=" + dir.File("data"), "TARVOSKINSTALLDIR=" HX_BINARY_DIR})
      .WorkingDirectory(dir.Path());
  RunT run;
  EXPECT_EQ(p.Start(), hx::RC_OK);
  run.exitCode = p.Finish();
  run.log = hxtest::ReadFile(dir.File("data/log/tracker.log"));
  return run;
}

constexpr uint32_t ExitStatusOf(hx::ResultT r) { return static_cast<uint32_t>(r) & 0xFFu; }

struct ProgramCaseT { std::vector<std::string> args; uint32_t exitCode; std::vector<const char*> logLines; };

TEST(PrefsProgram, ExitStatusAndLogOfALoad) {
  const std::vector<ProgramCaseT> cases = {
      {{}, 0, {"Preferences loaded", "Program exited successfully"}},
      {{"-x"},
       ExitStatusOf(trk::MSG_INVALID_OPTION),
       {"(P, 0)] {", "ERROR: '-x' is not a valid command-line option",
        "Program exited with code -524484343"}},
      {{"-o", "UserInteractionLevel=loud"},
       ExitStatusOf(trk::MSG_BAD_INTERACTION_LEVEL),
       {"ERROR: Preference 'UserInteractionLevel' is invalid", "Program exited with code -524484339"}},
      {{"-o", "ProgressDepth=11"}, 0, {"(P, 2)] {", "WARNING: Preference 'ProgressDepth' is invalid: Default to 3"}},
  };
  for (const ProgramCaseT& c : cases) {
    std::string what;
    for (const std::string& a : c.args) what += a + " ";
    hxtest::TempDirC dir("hxprefs-run");
    const RunT run = RunTracker(dir, c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << what;
    for (const char* line : c.logLines) {
      EXPECT_NE(run.log.find(line), std::string::npos) << what << line << "\n" << run.log;
    }
    // Every run ends with the row of asterisks.
    ASSERT_GT(run.log.size(), 61u) << what;
    EXPECT_EQ(run.log.substr(run.log.size() - 61), std::string(60, '*') + "\n") << what;
  }
}

TEST(PrefsProgram, TraceProfileWritesEveryPreference) {
  hxtest::TempDirC dir("hxprefs-run");
  const std::string trace = dir.File("prefs.trace");
  dir.Write("hxtrack.trace", "+Tracker/Preferences\nfilename = " + trace + "\n");
  const RunT run = RunTracker(dir, {"-o", "ProgressDepth=11", "-o", "IncludeExtension=$(IncludeExtension);exe"});
  EXPECT_EQ(run.exitCode, 0u);
  const std::string text = hxtest::ReadFile(trace);
  for (const std::string& line : {std::string("ProgressDepth=11;3"), std::string("InventoryType=Machine"),
                                  std::string("IncludeExtension=sys;sys2;swtag;cmptag;exe"),
                                  "LogFile=" + dir.File("data/log/tracker.log"), std::string("Title=Prandex"),
                                  std::string("UserInteractionLevel=Status"), std::string("Finished loading preferences")}) {
    EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\n" << text;
  }
}

}  // namespace
