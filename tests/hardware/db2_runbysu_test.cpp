// Running a command as another user through a fake /bin/su in a fixture machine: the
// password reaches su only at its prompt, su's results become RunBySuC's, and a su that
// hangs is ended at the tool time limit.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/process/ToolLimits.h"
#include "hardware/framework/RunBySu.h"
#include "hardware/HardwareTestSupport.h"

namespace {

constexpr const char* c_Password = "s3cret-Pw";

// Records its arguments and environment, asks for the password on its error stream and runs
// the command under the machine's root when the answer is right; su's status otherwise.
const std::string c_Su = R"(rec="$TARVOSKSYSROOT/su.record"
{ for a in "$@"; do printf '[%s]' "$a"; done; echo; env; } >> "$rec"
printf 'Password: ' >&2
IFS= read -r pw || exit 1
[ "$pw" = 's3cret-Pw' ] || { echo 'su: Authentication failure' >&2; exit 1; }
exec /bin/sh -c "$TARVOSKSYSROOT$3")";

struct ResultT {
  int rc;
  std::string lines;
  hx::ToolEndC end;
};

ResultT RunSu(const char* user, const char* password, const char* command) {
  std::string secret = password != nullptr ? password : "";
  ResultT r;
  StringArrayC lines;
  r.rc = RunBySuC::RunCommand(user, password ? secret.data() : nullptr, command, lines, &r.end);
  r.lines = hx::Join(lines, "|");
  EXPECT_EQ(std::strlen(secret.c_str()), 0u) << "the password buffer is cleared";
  return r;
}

TEST(RunBySu, ResultsOfSuAndItsCommand) {
  hxhw::FakeMachineC machine("/usr/bin:/bin");
  machine.Tool("/opt/db2/tool", "tool", "echo one; printf 'two\\nthree'; exit ${1:-0}");
  const std::string longLine(RunBySuC::c_MaxLine + 10, 'x');
  machine.Tool("/opt/db2/long", "long", "echo " + longLine);
  struct CaseT {
    const char* su;  // the body of the fake su ("" for the recording one)
    const char* user;
    const char* password;
    const char* command;
    int rc;
    std::string lines;
  } cases[] = {
      {"", "db2inst1", c_Password, "/opt/db2/tool", 0, "one|two|three"},
      {"", "db2inst1", c_Password, "/opt/db2/tool 3", 3, "one|two|three"},
      {"", "db2inst1", "wrong", "/opt/db2/tool", 1, ""},
      {"", "db2inst1", c_Password, "/opt/db2/missing", RunBySuC::c_CommandNotFound, ""},
      {"", "db2inst1", c_Password, "/opt/db2/long", 0, longLine.substr(0, RunBySuC::c_MaxLine) + "|xxxxxxxxxx"},
      // su run by root never asks.
      {R"(exec /bin/sh -c "$TARVOSKSYSROOT$3")", "db2inst1", nullptr, "/opt/db2/tool", 0, "one|two|three"},
      {"kill -9 $$", "db2inst1", c_Password, "/opt/db2/tool", RunBySuC::c_NotExited, ""},
      {"", "", c_Password, "/opt/db2/tool", RunBySuC::c_NoUser, ""},
      {"", "-c", c_Password, "/opt/db2/tool", RunBySuC::c_NoUser, ""},
      {"", "db2inst1", c_Password, "", RunBySuC::c_NoCommand, ""},
      {nullptr, "db2inst1", c_Password, "/opt/db2/tool", RunBySuC::c_NotStarted, ""},
  };
  for (const CaseT& c : cases) {
    std::remove(machine.Root().File("bin/su").c_str());
    if (c.su != nullptr) machine.Tool("/bin/su", "su", *c.su ? c.su : c_Su);
    const ResultT r = RunSu(c.user, c.password, c.command);
    EXPECT_EQ(r.rc, c.rc) << c.user << " " << c.command;
    EXPECT_EQ(r.lines, c.lines) << c.user << " " << c.command;
  }
  // su saw the user, "-c" and the command, and the password neither there nor in its
  // environment.
  const std::string record = hxtest::ReadFile(machine.Root().File("su.record"));
  EXPECT_TRUE(hxtest::Contains(record, "[db2inst1][-c][/opt/db2/tool 3]\n")) << record;
  EXPECT_FALSE(hxtest::Contains(record, c_Password));
}

TEST(RunBySu, CommandTextQuotesWhatTheShellWouldRead) {
  EXPECT_EQ(RunBySuC::CommandText(CommandLineC{"/home/db2inst1/sqllib/adm/db2licm", "-l"}),
            "/home/db2inst1/sqllib/adm/db2licm -l");
  EXPECT_EQ(RunBySuC::CommandText(CommandLineC{"/home/a b/x", "it's", ""}), "'/home/a b/x' 'it'\\''s' ''");
}

// A su whose command went into a session of its own and holds the output open: at the time
// limit su is ended, the reading stops without the end of file, and the run says why.
TEST(RunBySu, HangingSuEndsAtTheToolTimeLimit) {
  hxhw::FakeMachineC machine("/usr/bin:/bin");
  machine.Tool("/bin/su", "su", "echo started; setsid sleep 60 & echo $! > \"$TARVOSKSYSROOT/held\"; sleep 60");
  hx::SetToolTimeout(1);
  const auto start = std::chrono::steady_clock::now();
  const ResultT r = RunSu("db2inst1", c_Password, "/opt/db2/tool");
  const auto took = std::chrono::steady_clock::now() - start;
  hx::SetToolTimeout(0);
  EXPECT_EQ(r.rc, RunBySuC::c_NotExited);
  EXPECT_EQ(r.lines, "started");
  EXPECT_EQ(r.end.stop, ProcessC::StopReasonE::TimeLimit);
  EXPECT_TRUE(hxtest::Contains(hx::DescribeToolEnd(r.end), "time limit of 1 seconds")) << hx::DescribeToolEnd(r.end);
  EXPECT_LT(took, std::chrono::seconds(10));
  const long held = std::atol(hxtest::ReadFile(machine.Root().File("held")).c_str());
  if (held > 0) ::kill(static_cast<pid_t>(held), SIGKILL);
}

}  // namespace
