// Running a command as another user through a fake /bin/su in a fixture machine: the
// password reaches su at its prompt and su's results become RunBySuC's. (A su that hangs is
// run by the whole-program tests.)

#include <gtest/gtest.h>

#include <cstdio>

#include "hardware/framework/RunBySu.h"
#include "hardware/HardwareTestSupport.h"

namespace {

constexpr const char* c_Password = "s3cret-Pw";

// Asks for the password on its error stream and runs the command under the machine's root
// when the answer is right; su's status otherwise.
const char* const c_Su = R"(printf 'Password: ' >&2
IFS= read -r pw || exit 1
[ "$pw" = 's3cret-Pw' ] || { echo 'su: Authentication failure' >&2; exit 1; }
exec /bin/sh -c "$TARVOSKSYSROOT$3")";

// The result and the lines joined by "|"; the password buffer must come back cleared.
std::string RunSu(const char* user, const char* password, const char* command) {
  std::string secret = password != nullptr ? password : "";
  StringArrayC lines;
  const int rc = RunBySuC::RunCommand(user, password ? secret.data() : nullptr, command, lines);
  EXPECT_EQ(secret, std::string(secret.size(), '\0'));
  return std::to_string(rc) + ":" + hx::Join(lines, "|");
}

TEST(RunBySu, ResultsOfSuAndItsCommand) {
  hxhw::FakeMachineC machine("/usr/bin:/bin");
  machine.Tool("/opt/db2/tool", "tool", "echo one; printf 'two\\nthree'; exit ${1:-0}");
  const std::string longLine(RunBySuC::c_MaxLine + 3, 'x');
  machine.Tool("/opt/db2/long", "long", "echo " + longLine);
  // su: the fake su's body ("" for the recording one; null: no su at all)
  const struct { const char *su, *user, *password, *command; std::string result; } cases[] = {
      {"", "db2inst1", c_Password, "/opt/db2/tool 3", "3:one|two|three"},
      {"", "db2inst1", "wrong", "/opt/db2/tool", "1:"},
      {"", "db2inst1", c_Password, "/opt/db2/missing", "-6:"},
      {"", "db2inst1", c_Password, "/opt/db2/long", "0:" + longLine.substr(0, RunBySuC::c_MaxLine) + "|xxx"},
      // su run by root never asks.
      {R"(exec /bin/sh -c "$TARVOSKSYSROOT$3")", "db2inst1", nullptr, "/opt/db2/tool", "0:one|two|three"},
      {"kill -9 $$", "db2inst1", c_Password, "/opt/db2/tool", "-7:"},
      {"", "", c_Password, "/opt/db2/tool", "-1:"},
      {"", "-c", c_Password, "/opt/db2/tool", "-1:"},
      {"", "db2inst1", c_Password, "", "-2:"},
      {nullptr, "db2inst1", c_Password, "/opt/db2/tool", "-3:"},
  };
  for (const auto& c : cases) {
    std::remove(machine.Root().File("bin/su").c_str());
    if (c.su != nullptr) machine.Tool("/bin/su", "su", *c.su ? c.su : c_Su);
    EXPECT_EQ(RunSu(c.user, c.password, c.command), c.result) << c.user << " " << c.command;
  }
  EXPECT_EQ(RunBySuC::CommandText(CommandLineC{"/home/a b/x", "it's", "-l"}), "'/home/a b/x' 'it'\\''s' -l");
}

}  // namespace
