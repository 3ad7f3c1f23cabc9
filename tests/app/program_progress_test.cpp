// Progress of a file scan on the terminal: bin/hxtrack run on a pseudo-terminal at the
// interactive levels shows the files and bytes examined and the directory, shortened to
// ProgressDepth levels; a quiet run, a run into a pipe and the log show nothing of it.

#include <pty.h>
#include <sys/wait.h>

#include <poll.h>

#include "app/AppTestSupport.h"
#include "app/interaction/FilePathTruncator.h"

namespace {

constexpr const char* c_Examined = " examined in ";

// The lines a terminal showed over a run: the status window redraws itself in place (cursor up,
// erase line, erase below), so each line is taken as it stands when the cursor leaves it.
std::vector<std::string> LinesShown(const std::string& output) {
  std::vector<std::string> shown, screen(1);
  size_t row = 0;
  for (size_t i = 0; i < output.size(); ++i) {
    const char c = output[i];
    if (c == '\x1b' && i + 1 < output.size() && output[i + 1] == '[') {
      size_t end = i + 2;
      while (end < output.size() && !std::isalpha(static_cast<unsigned char>(output[end]))) ++end;
      if (end == output.size()) break;
      const std::string count = output.substr(i + 2, end - i - 2);
      if (output[end] == 'A') row -= std::min<size_t>(row, count.empty() ? 1 : std::stoul(count));
      if (output[end] == 'K') screen[row].clear();
      if (output[end] == 'J') screen.resize(row + 1);
      i = end;
    } else if (c == '\n') {
      shown.push_back(screen[row]);
      if (++row == screen.size()) screen.emplace_back();
    } else if (c != '\r') {
      screen[row] += c;
    }
  }
  return shown;
}

// A run of bin/hxtrack on a new pseudo-terminal: everything it wrote there, `typed` sent first.
std::string RunOnTerminal(const hxtest::TempDirC& dir, const std::vector<std::string>& args, const std::string& typed) {
  const std::string ini = dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.File("server") +
                                                       "\nPluginDirectory=" + dir.File("plugins") + "\n");
  std::vector<std::string> env = {"TARVOSKCONFIGINI=" + ini, "TARVOSKINSTALLDIR=" + std::string(hxapp::c_BinaryDir),
                                  "TARVOSKDATADIR=" + dir.File("data"), "PATH=/usr/bin:/bin", "TERM=xterm"};
  std::vector<std::string> argv = {hxapp::c_Program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv, cenv;
  for (std::string& a : argv) cargv.push_back(a.data());
  for (std::string& e : env) cenv.push_back(e.data());
  cargv.push_back(nullptr);
  cenv.push_back(nullptr);
  struct winsize size = {24, 200, 0, 0};
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    ::alarm(60);  // never outlive the test
    if (::chdir(dir.Path().c_str()) == 0) ::execve(cargv[0], cargv.data(), cenv.data());
    ::_exit(127);
  }
  EXPECT_GT(pid, 0);
  if (pid <= 0) return std::string();
  EXPECT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  std::string output;
  char buffer[4096];
  for (;;) {
    struct pollfd p = {master, POLLIN, 0};
    if (::poll(&p, 1, 30000) <= 0) break;
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO once the run has gone and closed the terminal
    output.append(buffer, static_cast<size_t>(n));
  }
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  return output;
}

std::vector<std::string> ScanArgs(const std::string& level, const std::string& tree) {
  return {"-o", "UserInteractionLevel=" + level, "-o", "LowProfile=False", "-o", "Hardware=False",
          "-o", "Upload=False", "-o", "IncludeDirectory=" + tree, "-o", "ProgressDepth=3"};
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

  struct CaseT {
    const char* level;
    bool terminal;
    std::string typed;
    bool shown;
  };
  const CaseT cases[] = {
      {"STATUS", true, "", true},       {"auto", true, "", true},   {"FULL", true, "y\n", true},
      {"QUIET", true, "", false},       {"STATUS", false, "", false},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(std::string(c.level) + (c.terminal ? " on a terminal" : " into a pipe"));
    hxtest::TempDirC run("hxprog");
    std::string output;
    if (c.terminal) {
      output = RunOnTerminal(run, ScanArgs(c.level, tree), c.typed);
    } else {
      hxapp::TrackerProcessC p(run, ScanArgs(c.level, tree));
      ASSERT_EQ(p.Start(), hx::RC_OK);
      EXPECT_EQ(p.Finish(), 0u);
      output = p.Out();
      // Into a pipe the finished steps are plain lines, as before.
      EXPECT_TRUE(hxapp::Contains(output, "  [ OK ] Searching for software\n")) << output;
    }
    const std::vector<std::string> lines = LinesShown(output);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), counted) > 0, c.shown) << output;
    if (!c.shown) {
      EXPECT_FALSE(hxapp::Contains(output, c_Examined)) << output;
    }
    // The counts go with the step that made them.
    if (c.shown) {
      EXPECT_FALSE(hxapp::Contains(lines.back(), c_Examined));
    }
    EXPECT_FALSE(hxapp::Contains(hxtest::ReadFile(run.File("data/log/tracker.log")), c_Examined));
  }
}

TEST(ProgramProgress, PathsAreShortenedToTheirFirstLevels) {
  const struct {
    size_t depth;
    const char* path;
    const char* shown;
  } cases[] = {
      {3, "/usr/share/doc/base/changelog.gz", "/usr/share/doc/..."},
      {3, "/usr/share/doc", "/usr/share/doc"},
      {3, "/usr//share/doc/", "/usr//share/doc/"},
      {1, "/usr/share", "/usr/..."},
      {2, "relative/dir/below", "relative/dir/..."},
      {10, "/", "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(FilePathTruncatorC(c.depth).Truncate(c.path), c.shown) << c.path;
}

}  // namespace
