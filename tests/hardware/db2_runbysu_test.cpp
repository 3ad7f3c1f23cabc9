// Running a command as another user through a fake /bin/su in a fixture machine: the
// password reaches su at its prompt, su's results become RunBySuC's, and a command that
// outlives its limit is ended with every session it made. (A su that hangs is run by the
// whole-program tests.)

#include "hardware/framework/RunBySu.h"
#include "hardware/HardwareTestSupport.h"

namespace {

constexpr const char* c_Password = "s3cret-Pw";

constexpr std::chrono::seconds c_Limit{2};

// Asks for the password on its error stream and, when the answer is right, runs the command
// under the machine's root (found from its own path) in a session of its own; su's status
// otherwise.
const char* const c_Su = R"(printf 'Password: ' >&2
IFS= read -r pw || exit 1
[ "$pw" = 's3cret-Pw' ] || { echo 'su: Authentication failure' >&2; exit 1; }
exec setsid -w /bin/sh -c "${0%/bin/su}$3")";

// The result and the lines joined by "|"; the password buffer must come back cleared.
std::string RunSu(const char* user, const char* password, const char* command) {
  std::string secret = password != nullptr ? password : "";
  StringArrayC lines;
  const RunBySuC::OptionsT account{"/home/db2 inst", "", c_Limit};
  const int rc = RunBySuC::RunCommand(user, password ? secret.data() : nullptr, command, lines, account);
  EXPECT_EQ(secret, std::string(secret.size(), '\0'));
  return std::to_string(rc) + ":" + hx::Join(lines, "|");
}

// A command that ignores SIGTERM, notes its environment (PWD is the shell's own) and, with a
// child in a session of its own, the processes that must be gone when the run returns.
void AddHangingTool(const hxhw::FakeMachineC& machine) {
  machine.Tool("/opt/db2/hang", "hang", "trap '' TERM; env | grep -v ^PWD= | sort > " + machine.Root().File("env") +
                                            "; setsid sleep 300 & echo $! $$ > " + machine.Root().File("held") + "; sleep 300");
}

void ExpectHangingToolGone(const hxhw::FakeMachineC& machine) {
  const StringArrayC held = hx::Split(hxtest::ReadFile(machine.Root().File("held")), ' ', true);
  EXPECT_EQ(held.size(), 2u);
  for (const std::string& pid : held) {
    const bool ended = hxtest::ProcessEnded(std::stol(pid));
    EXPECT_TRUE(ended) << pid;
    if (!ended) ::kill(std::stoi(pid), SIGKILL);
  }
}

TEST(RunBySu, ResultsOfSuAndItsCommand) {
  hxhw::FakeMachineC machine("/usr/bin:/bin");
  machine.Tool("/opt/db2/tool", "tool", "echo one; printf 'two\\nthree'; exit ${1:-0}");
  const std::string longLine(RunBySuC::c_MaxLine + 3, 'x');
  machine.Tool("/opt/db2/long", "long", "echo " + longLine);
  AddHangingTool(machine);
  // su: the fake su's body ("" for the recording one; null: no su at all)
  const struct { const char *su, *user, *password, *command; std::string result; } cases[] = {
      {"", "db2inst1", c_Password, "/opt/db2/tool 3", "3:one|two|three"},
      {"", "db2inst1", "wrong", "/opt/db2/tool", "1:"},
      {"", "db2inst1", c_Password, "/opt/db2/missing", "-6:"},
      {"", "db2inst1", c_Password, "/opt/db2/long", "0:" + longLine.substr(0, RunBySuC::c_MaxLine) + "|xxx"},
      // su run by root never asks.
      {R"(exec /bin/sh -c "${0%/bin/su}$3")", "db2inst1", nullptr, "/opt/db2/tool", "0:one|two|three"},
      {"", "db2inst1", c_Password, "/opt/db2/hang", "-7:"},
      {"kill -9 $$", "db2inst1", c_Password, "/opt/db2/tool", "-7:"},
      {"", "", c_Password, "/opt/db2/tool", "-1:"},
      {"", "-c", c_Password, "/opt/db2/tool", "-1:"},
      {"", "db2inst1", c_Password, "", "-2:"},
      {nullptr, "db2inst1", c_Password, "/opt/db2/tool", "-3:"},
  };
  for (const auto& c : cases) {
    std::remove(machine.Root().File("bin/su").c_str());
    if (c.su != nullptr) machine.Tool("/bin/su", "su", *c.su ? c.su : c_Su);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(RunSu(c.user, c.password, c.command), c.result) << c.user << " " << c.command;
    EXPECT_LT(std::chrono::steady_clock::now() - started, c_Limit + std::chrono::milliseconds(1500)) << c.command;
  }
  // The hanging command and its own session were gone within a second of the limit, and had
  // only the account's environment.
  ExpectHangingToolGone(machine);
  EXPECT_EQ(hxtest::ReadFile(machine.Root().File("env")),
            "HOME=/home/db2 inst\nLANG=C\nLOGNAME=db2inst1\nPATH=/usr/bin:/bin:/usr/sbin:/sbin\nSHELL=/bin/sh\nUSER=db2inst1\n");
  EXPECT_EQ(RunBySuC::CommandText(CommandLineC{"/home/a b/x", "it's", "-l"}), "'/home/a b/x' 'it'\\''s' -l");
}

// The tracker's stop (SIGTERM or SIGINT to it) ends a run and its sessions at once, long before
// the limit. A stop cannot be taken back, so a child process pulls it on itself.
TEST(RunBySu, StopEndsTheSessions) {
  hxhw::FakeMachineC machine("/usr/bin:/bin");
  machine.Tool("/bin/su", "su", c_Su);
  AddHangingTool(machine);
  const auto stoppedInTime = [&] {
    std::thread([held = machine.Root().File("held")] {
      for (int i = 0; i < 50 && hxtest::ReadFile(held).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      hx::StopTools();
    }).detach();
    const auto started = std::chrono::steady_clock::now();
    const bool stopped = RunSu("db2inst1", c_Password, "/opt/db2/hang") == "-7:";
    return stopped && std::chrono::steady_clock::now() - started < c_Limit ? 0 : 1;
  };
  EXPECT_EQ(hxtest::InChild(stoppedInTime), 0);
  ExpectHangingToolGone(machine);
}

}  // namespace
