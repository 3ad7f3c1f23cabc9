// The call patterns the trackers use, the command line's display form, line-cutting streams and
// the runner's trace lines.

#include "foundation/process/Process.h"
#include "foundation/process/RunCommand.h"
#include "support/TestSupport.h"

namespace {

CommandLineC Sh(const std::string& script) { return CommandLineC{"/bin/sh", "-c", script}; }

// A failure also says what happened, as the caller's log line puts it.
TEST(ProcessCommands, LineCapture) {
  struct Case { const char* name; CommandLineC cmd; hx::ResultT rc; std::vector<std::string> added; const char* said; }
  cases[] = {
      {"lines without their ends", Sh("printf 'a\\nb\\r\\n\\nlast'"), 0, {"a", "b", "", "last"}, ""},
      {"error text discarded", Sh("echo noise >&2; echo kept"), 0, {"kept"}, ""},
      {"no input for the tool", Sh("cat; echo done"), 0, {"done"}, ""},
      {"other exit status: 1 and no line", Sh("echo partial; exit 2"), hx::c_CommandExitedNonZero, {}, ""},
      {"killed by a signal", Sh("echo partial; kill -KILL $$"), hx::RC_PROC_SIGNALED, {}, "was killed by signal 9"},
      {"program missing", CommandLineC{"hx-no-such-program-4711"}, hx::RcFromErrno(ENOENT), {},
       "could not be started: error 0xe0000002"},
      {"empty command line", CommandLineC{}, hx::RC_INVALID_ARG, {}, "could not be started: error 0x80000006"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StringArrayC lines{"already there"};
    hx::ToolEndC end;
    EXPECT_EQ(hx::RunCommandLines(c.cmd, lines, &end), c.rc);
    EXPECT_EQ(hx::Failed(c.rc) ? hx::DescribeToolEnd(end) : "", c.said);
    std::vector<std::string> expected{"already there"};
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    EXPECT_EQ(lines, expected);
  }
}

TEST(ProcessCommands, PackageTool) {
  struct Case { const char* name; CommandLineC cmd; bool streams; hx::ResultT rc; uint32_t exitCode; const char *out, *err; }
  cases[] = {
      {"exit code for the caller to judge", Sh("echo o; echo e >&2; exit 4"), true, 0, 4, "o\n", "e\n"},
      {"reads nothing", Sh("cat; echo $?"), true, 0, 0, "0\n", ""},
      {"streams optional", Sh("exit 0"), false, 0, 0, "", ""},
      {"killed: the signal and the failure", Sh("kill -TERM $$"), true, hx::RC_PROC_SIGNALED, 15, "", ""},
      {"not started: exit code unknown", CommandLineC{"hx-no-such-program-4711"}, true, hx::RcFromErrno(ENOENT),
       hx::c_ExitCodeUnknown, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryOutputStreamC out, err;
    uint32_t exitCode = 12345;
    EXPECT_EQ(hx::RunPackageTool(c.cmd, exitCode, c.streams ? &out : nullptr, c.streams ? &err : nullptr), c.rc);
    EXPECT_EQ(exitCode, c.exitCode);
    EXPECT_EQ(out.GetData(), c.out);
    EXPECT_EQ(err.GetData(), c.err);
  }
}

TEST(ProcessCommands, DisplayForm) {
  struct Case { CommandLineC cmd; const char* shown; } cases[] = {
      {CommandLineC{}, ""},
      {CommandLineC{"/usr/sbin/prtconf", "-v"}, "/usr/sbin/prtconf -v"},
      {CommandLineC{"pkginfo", "-l", "SUNW core"}, "pkginfo -l \"SUNW core\""},
      {CommandLineC{"sh", "-c", "echo \"hi\"\tthere"}, "sh -c \"echo \\\"hi\\\"\tthere\""},
      {CommandLineC{"x", "", "it's"}, "x \"\" \"it's\""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.cmd.ToString(), c.shown);
}

class Lines : public LineOutputStreamC {
 public:
  std::vector<std::string> got;

 protected:
  hx::ResultT WriteLine(std::string_view line) override {
    got.emplace_back(line);
    return 0;
  }
};

TEST(ProcessCommands, LineStreamCutsAcrossWrites) {
  struct Case { std::vector<std::string> chunks; std::vector<std::string> lines; } cases[] = {
      {{"a\nb\n"}, {"a", "b"}},
      {{"par", "tial\nne", "xt\r", "\nend"}, {"partial", "next", "end"}},
      {{"\n\n"}, {"", ""}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    Lines s;
    for (const std::string& chunk : c.chunks) ASSERT_EQ(s.Write(chunk.data(), chunk.size()), 0);
    ASSERT_EQ(s.Flush(), 0);
    EXPECT_EQ(s.got, c.lines);
  }
}

TEST(ProcessCommands, TraceLines) {
  hxtest::TraceCaptureC trace("Communication/Process");
  StringArrayC lines;
  EXPECT_EQ(hx::RunCommandLines(Sh("exit 0"), lines), hx::RC_OK);
  EXPECT_EQ(hx::RunCommandLines(CommandLineC{"hx-no-such-program-4711"}, lines), hx::RcFromErrno(ENOENT));
  const std::string text = trace.Stop();
  // The lines in order; whatever the tracer puts around a line is its own business.
  const char* expected[] = {"Creating child process '/bin/sh -c \"exit 0\"'\n", "Process creation result 0\n",
                            "Creating child process 'hx-no-such-program-4711'\n",
                            "Process creation result 0xe0000002\n"};
  size_t at = 0;
  for (const char* line : expected) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << "missing: " << line << "in:\n" << text;
  }
}

}  // namespace
