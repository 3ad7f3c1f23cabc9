// Progress of a file scan on the terminal: bin/hxtrack run on a pseudo-terminal at the
// interactive levels shows the files and bytes examined and the directory, shortened to
// ProgressDepth levels; a quiet run, a run into a pipe and the log show nothing of it.

#include <poll.h>
#include <pty.h>

#include "app/AppTestSupport.h"
#include "app/interaction/FilePathTruncator.h"

namespace {

constexpr const char* c_Examined = " examined in ";

// Every line the terminal was given, as drawn: the window redraws in place, each line of a
// frame erased and written anew, so the lines are the text between line ends without the
// control sequences.
std::vector<std::string> LinesDrawn(const std::string& output) {
  std::vector<std::string> lines;
  for (std::string line : hx::SplitLines(output)) {
    for (size_t esc; (esc = line.find("\x1b[")) != std::string::npos;)
      line.erase(esc, line.find_first_of("ABCDJKm", esc) + 1 - esc);
    lines.push_back(hx::ReplaceAll(line, "\r", ""));
  }
  return lines;
}

// A run of bin/hxtrack on a new pseudo-terminal, `typed` sent first: everything it wrote there.
std::string RunOnTerminal(const hxtest::TempDirC& dir, std::vector<std::string> args, const std::string& typed) {
  const std::string ini = dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.File("server") +
                                                       "\nPluginDirectory=" + dir.File("plugins") + "\n");
  args.insert(args.begin(), hxapp::c_Program);
  struct winsize size = {24, 200, 0, 0};
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    ::alarm(60);  // never outlive the test
    ::setenv("TARVOSKCONFIGINI", ini.c_str(), 1);
    ::setenv("TARVOSKINSTALLDIR", hxapp::c_BinaryDir, 1);
    ::setenv("TARVOSKDATADIR", dir.File("data").c_str(), 1);
    ::unsetenv("TARVOSKSYSROOT");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::chdir(dir.Path().c_str()) == 0) ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  EXPECT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  std::string output;
  char buffer[4096];
  ssize_t n = 0;
  // The read fails (EIO) once the run has gone and its terminal is closed.
  for (struct pollfd p = {master, POLLIN, 0}; ::poll(&p, 1, 30000) > 0 && (n = ::read(master, buffer, sizeof buffer)) > 0;)
    output.append(buffer, static_cast<size_t>(n));
  ::close(master);
  int status = 0;
  EXPECT_TRUE(::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  return output;
}

TEST(ProgramProgress, AScanShowsItsCountsOnATerminalOnly) {
  // 3 files of 123 bytes below /tmp/<dir>/tree: with 3 levels every directory of the walk
  // shows as /tmp/<dir>/tree/...
  const hxtest::TempDirC treeDir("hxprog");
  treeDir.Write("tree/a/b/c/d/f1", std::string(100, 'x'));
  treeDir.Write("tree/a/f2", std::string(20, 'y'));
  treeDir.Write("tree/x/f3", "zzz");
  const std::string tree = treeDir.File("tree");
  const std::string counted = "  3 files, 123 bytes examined in " + tree + "/...";
  const struct { const char* level; bool terminal; const char* typed; bool shown; } cases[] = {
      {"STATUS", true, "", true}, {"auto", true, "", true}, {"FULL", true, "y\n", true},
      {"QUIET", true, "", false}, {"STATUS", false, "", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.level) + (c.terminal ? " on a terminal" : " into a pipe"));
    hxtest::TempDirC run("hxprog");
    const std::vector<std::string> args = {"-o", std::string("UserInteractionLevel=") + c.level, "-o",
                                           "LowProfile=False", "-o", "Hardware=False", "-o", "Upload=False",
                                           "-o", "IncludeDirectory=" + tree, "-o", "ProgressDepth=3"};
    std::string output;
    if (c.terminal) {
      output = RunOnTerminal(run, args, c.typed);
    } else {
      hxapp::TrackerProcessC p(run, args);
      ASSERT_EQ(p.Start(), hx::RC_OK);
      EXPECT_EQ(p.Finish(), 0u);
      output = p.Out();
      // Into a pipe the finished steps are plain lines, as before.
      EXPECT_TRUE(hxapp::Contains(output, "  [ OK ] Searching for software\n")) << output;
    }
    const std::vector<std::string> lines = LinesDrawn(output);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), counted) > 0, c.shown) << output;
    // The counts go with the step that made them, and nowhere but on a terminal.
    EXPECT_FALSE(hxapp::Contains(c.shown ? lines.back() : output, c_Examined)) << output;
    EXPECT_FALSE(hxapp::Contains(hxtest::ReadFile(run.File("data/log/tracker.log")), c_Examined));
  }
}

TEST(ProgramProgress, PathsAreShortenedToTheirFirstLevels) {
  const struct { size_t depth; const char *path, *shown; } cases[] = {
      {3, "/usr/share/doc/base/changelog.gz", "/usr/share/doc/..."}, {3, "/usr//share/doc/", "/usr//share/doc/"},
      {1, "/usr/share", "/usr/..."}, {2, "relative/dir/below", "relative/dir/..."}, {10, "/", "/"}};
  for (const auto& c : cases) EXPECT_EQ(FilePathTruncatorC(c.depth).Truncate(c.path), c.shown) << c.path;
}

}  // namespace
