// The command runner's core: starting, exit codes, output copying, descriptors and signals.

#include <random>

#include "foundation/messages/Errors.h"
#include "foundation/process/Process.h"
#include "foundation/process/RunCommand.h"
#include "support/TestSupport.h"

namespace {

CommandLineC Sh(const std::string& script) { return CommandLineC{"/bin/sh", "-c", script}; }

using hxtest::WriteFile;

// Runs a command to its end with output and error captured.
struct Captured { hx::ResultT create = 0, wait = 0, exit = 0; uint32_t code = 0; std::string out, err; };

Captured RunCaptured(const CommandLineC& cmd) {
  ProcessC p;
  MemoryOutputStreamC out, err;
  p.SetCommandLine(cmd);
  EXPECT_EQ(p.StdOut().Redirect(&out), 0);
  EXPECT_EQ(p.StdErr().Redirect(&err), 0);
  Captured c;
  c.create = p.Create();
  if (hx::Succeeded(c.create)) c.wait = p.Wait(nullptr, nullptr, ProcessC::MillisecondsC(1000));
  c.exit = p.GetExitCode(&c.code);
  c.out = out.GetData();
  c.err = err.GetData();
  return c;
}

TEST(ProcessRunner, EmptyCommandLineStartsNothing) {
  ProcessC p;
  EXPECT_EQ(p.Create(), hx::RC_INVALID_ARG);
  long pid = 42;
  EXPECT_EQ(p.GetProcessId(&pid), hx::RC_FAIL);
  EXPECT_EQ(pid, 0);
  uint32_t code = 7;
  EXPECT_EQ(p.GetExitCode(&code), hx::RC_PROC_NO_CHILD);
  EXPECT_EQ(p.Wait(nullptr, nullptr, ProcessC::MillisecondsC(1000)), hx::RC_PROC_NO_CHILD);
  // With no child, a signal must go nowhere (kill(-1) would reach every process we may signal).
  EXPECT_EQ(p.Terminate(), hx::RcFromErrno(ESRCH));
}

TEST(ProcessRunner, FailedStartIsReportedByCreateWithTheChildReaped) {
  hxtest::TempDirC dir("hx-proc");
  WriteFile(dir.File("not-executable"), "#!/bin/sh\nexit 0\n");
  struct Case { const char* name; CommandLineC cmd; int err; } cases[] = {
      {"bare name not on PATH", CommandLineC{"hx-no-such-program-4711"}, ENOENT},
      {"absolute path missing", CommandLineC{dir.File("missing")}, ENOENT},
      {"file not executable", CommandLineC{dir.File("not-executable")}, EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessC p;
    p.SetCommandLine(c.cmd);
    EXPECT_EQ(p.Create(), hx::RcFromErrno(c.err));
    long pid = 0;
    ASSERT_EQ(p.GetProcessId(&pid), 0);
    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(static_cast<pid_t>(pid), &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    uint32_t code = 0;
    EXPECT_EQ(p.GetExitCode(&code), 0);
    EXPECT_EQ(code, 1u);
  }
}

TEST(ProcessRunner, ExitStatusAndSignals) {
  struct Case { const char* script; bool captureOutput; hx::ResultT exitRc; uint32_t code; } cases[] = {
      {"exit 0", true, 0, 0},
      {"exit 3", true, 0, 3},
      {"exit 3", false, 0, 3},
      {"exit 255", true, 0, 255},
      {"kill -KILL $$", true, hx::RC_PROC_SIGNALED, 9},
      {"kill -KILL $$", false, hx::RC_PROC_SIGNALED, 9},
      {"kill -TERM $$", true, hx::RC_PROC_SIGNALED, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.script) + (c.captureOutput ? " (captured)" : ""));
    ProcessC p;
    MemoryOutputStreamC out;
    p.SetCommandLine(Sh(c.script));
    if (c.captureOutput) {
      ASSERT_EQ(p.StdOut().Redirect(&out), 0);
    }
    ASSERT_EQ(p.Create(), 0);
    EXPECT_EQ(p.Wait(nullptr, nullptr, ProcessC::MillisecondsC(1000)), 0);
    // Both forms, twice each: the status is collected once and answered from then on.
    for (int round = 0; round < 2; ++round) {
      uint32_t code = 0xDEAD;
      EXPECT_EQ(p.GetExitCode(&code), c.exitRc);
      EXPECT_EQ(code, c.code);
      int32_t scode = -5;
      EXPECT_EQ(p.GetExitCode(&scode), c.exitRc);
      EXPECT_EQ(scode, static_cast<int32_t>(c.code));
    }
    // A reaped child's id may belong to someone else by now: it is never signalled again.
    EXPECT_EQ(p.Terminate(), hx::RcFromErrno(ESRCH));
  }
}

TEST(ProcessRunner, OutputReachesItsOwnStreamComplete) {
  struct Case { const char* name; std::string script; std::string out, err; } cases[] = {
      {"nothing written", "exit 0", "", ""},
      {"one write above the read size", "printf '%5000s' x", std::string(4999, ' ') + "x", ""},
      {"both streams interleaved", "echo o1; echo e1 >&2; echo o2; echo e2 >&2", "o1\no2\n", "e1\ne2\n"},
      {"grandchild keeps the pipe open", "(sleep 0.3; echo late; echo late-err >&2) & echo early",
       "early\nlate\n", "late-err\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Captured r = RunCaptured(Sh(c.script));
    EXPECT_EQ(r.create, 0);
    EXPECT_EQ(r.wait, 0);
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(ProcessRunner, MegabytesOnBothStreamsLoseNoByte) {
  hxtest::TempDirC dir("hx-proc");
  std::string data(10 * 1024 * 1024, '\0');
  std::mt19937 rng(4711);
  for (char& ch : data) ch = static_cast<char>(rng());
  WriteFile(dir.File("data"), data);
  // Error first: a runner that drained only the output until its end would deadlock here.
  const Captured r = RunCaptured(Sh("cat '" + dir.File("data") + "' >&2; cat '" + dir.File("data") + "'"));
  EXPECT_EQ(r.wait, 0);
  EXPECT_EQ(r.code, 0u);
  ASSERT_EQ(r.out.size(), data.size());
  EXPECT_TRUE(r.out == data);
  ASSERT_EQ(r.err.size(), data.size());
  EXPECT_TRUE(r.err == data);
}

// The signals a child ignores (its SigIgn mask), as the child itself reports them.
uint64_t IgnoredSignalsOfChild() {
  const Captured r = RunCaptured(CommandLineC{"grep", "^SigIgn:", "/proc/self/status"});
  uint64_t bits = 0;
  EXPECT_EQ(std::sscanf(r.out.c_str(), "SigIgn: %lx", &bits), 1) << r.out;
  return bits;
}

// The tracker ignores SIGPIPE for itself; a tool gets it at its default all the same.
TEST(ProcessRunner, ChildGetsSigpipeAtItsDefault) {
  EXPECT_FALSE(IgnoredSignalsOfChild() & (uint64_t{1} << (SIGPIPE - 1)));
}

TEST(ProcessRunner, NoDescriptorOfTheTrackerLeaksIntoTheChild) {
  std::vector<int> extra;
  for (int i = 0; i < 3; ++i) extra.push_back(::open("/dev/null", O_RDONLY));  // inheritable
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  extra.insert(extra.end(), {fds[0], fds[1]});
  ASSERT_EQ(::dup2(extra[0], 150), 150);
  extra.push_back(150);

  StringArrayC lines;
  const hx::ResultT rc = hx::RunCommandLines(CommandLineC{"ls", "/proc/self/fd"}, lines);
  for (int fd : extra) ::close(fd);
  ASSERT_EQ(rc, 0);
  // 0-2 and the directory ls reads; any leaked descriptor would push that one further up.
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), (std::set<std::string>{"0", "1", "2", "3"}));
}

class LineSink : public LineOutputStreamC {
  hx::ResultT WriteLine(std::string_view) override { return 0; }
};

// Every limit ends the tool's whole process group and Wait returns; the pids a script prints
// must be gone (the one that left the group is ended here).
TEST(ProcessRunner, ToolsAreEndedAtTheirLimits) {
  using StopE = ProcessC::StopReasonE;
  struct Case { std::string script; bool lines; StopE stop; int signal; } cases[] = {
      {"sleep 30 & echo $!; exec sleep 30", false, StopE::TimeLimit, SIGTERM},
      {"trap '' TERM; sleep 30 & echo $!; exec sleep 30", false, StopE::TimeLimit, SIGKILL},
      {"setsid sleep 30 & echo $!; exec sleep 30", false, StopE::TimeLimit, SIGTERM},
      {"exec yes", false, StopE::OutputLimit, 0},
      {"exec cat /dev/zero", true, StopE::OutputLimit, 0},
      {"echo $$", false, StopE::None, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    ProcessC p;
    MemoryOutputStreamC memory;
    LineSink lines;
    p.SetCommandLine(Sh(c.script));
    // The output limits are reached long before this on any machine, however busy.
    p.SetTimeLimit(ProcessC::MillisecondsC(c.stop == StopE::OutputLimit ? 20000 : 300));
    ASSERT_EQ(p.StdOut().Redirect(c.lines ? static_cast<OutputStreamC*>(&lines) : &memory), 0);
    ASSERT_EQ(p.Create(), 0);
    const hx::ResultT ended = c.stop == StopE::None ? hx::RC_OK : hx::RC_PROC_SIGNALED;
    EXPECT_EQ(p.Wait(nullptr, nullptr, ProcessC::MillisecondsC(1000)), ended);
    EXPECT_EQ(p.GetStopReason(), c.stop);
    uint32_t code = 0;
    EXPECT_EQ(p.GetExitCode(&code), ended);
    if (c.signal != 0) {
      EXPECT_EQ(code, static_cast<uint32_t>(c.signal));
    }
    EXPECT_LE(memory.GetSize(), hx::c_MaxCapturedOutput);
    for (const std::string& pid : hx::SplitLines(c.stop == StopE::OutputLimit ? "" : memory.GetData())) {
      if (c.script.rfind("setsid", 0) == 0) ::kill(std::stol(pid), SIGKILL);
      for (int i = 0; i < 100 && !hxtest::ProcessEnded(std::stol(pid)); ++i) ::usleep(10000);
      EXPECT_TRUE(hxtest::ProcessEnded(std::stol(pid))) << pid;
    }
  }
}

}  // namespace
