// The program itself: hxtrack loads its preferences at start-up and exits with the result;
// its log and, with a trace profile in the working directory, its preference trace show what
// it read.

#include <gtest/gtest.h>

#include "prefs/tracker/TrkMessages.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::ExitStatusOf;
using hxapp::RunT;

// At the Status level a run never asks on the terminal, so the test cannot stop and wait when
// it is started from one.
RunT RunTracker(const hxtest::TempDirC& dir, const std::vector<std::string>& args) {
  return hxapp::RunProgram(dir, args, "[Tarvosk\\Tracker\\CurrentVersion]\nUserInteractionLevel=Status\n");
}

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
    EXPECT_TRUE(hxapp::EndsWithSeparator(run.log)) << what;
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
