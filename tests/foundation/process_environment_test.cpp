// The child's environment and the program it runs: the package tools' locale set on top of
// what the tracker has, PATH search, and the system root that lets a fixture machine stand in
// for the host.

#include "foundation/process/Process.h"
#include "foundation/process/RunCommand.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

using ScopedEnv = hxtest::ScopedEnvC;

std::optional<std::string> GetEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::optional<std::string>(v) : std::nullopt;
}

// Creates file `rel` below dir with content, executable or not.
void Put(const hxtest::TempDirC& dir, const std::string& rel, const std::string& content, bool executable = true) {
  ::chmod(dir.Write(rel, content).c_str(), executable ? 0755 : 0644);
}

std::string Script(const std::string& says) { return "#!/bin/sh\necho " + says + "\n"; }

TEST(ProcessEnvironment, MergeSetsOnTopAndLeavesTheTrackerAlone) {
  ScopedEnv lang("LANG", "de_DE.UTF-8");
  ScopedEnv lcAll("LC_ALL", nullptr);
  ScopedEnv mine("HX_PROC_INHERITED", "kept");
  MemoryOutputStreamC out;
  uint32_t exitCode = 0;
  ASSERT_EQ(hx::RunPackageTool(CommandLineC{"/bin/sh", "-c", "echo \"$LANG|$LC_ALL|$HX_PROC_INHERITED\""},
                               exitCode, &out, nullptr),
            0);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(out.GetData(), "C|C|kept\n");
  EXPECT_EQ(GetEnv("LANG"), std::optional<std::string>("de_DE.UTF-8"));
  EXPECT_EQ(GetEnv("LC_ALL"), std::nullopt);
}

// How a program name becomes the file that runs, with and without a system root.
TEST(ProcessEnvironment, ProgramLookupUnderTheSystemRoot) {
  hxtest::TempDirC root("hx-proc"), host("hx-proc");
  Put(root, "usr/sbin/dmidecode", Script("root-dmidecode"));
  Put(root, "usr/sbin/ifconfig", Script("root-ifconfig"));
  Put(root, "opt/a/tool", Script("not-executable"), false);
  Put(root, "opt/b/tool", Script("root-tool-b"));
  Put(host, "bin/hostonly", Script("host-tool"));
  fs::create_directories(fs::path(root.Path()) / "usr/bin");
  fs::create_symlink("/bin/sh", fs::path(root.Path()) / "usr/bin/shell");

  // sysroot: null when unset; path: the PATH the child's lookup uses
  struct Case { const char *name, *sysroot; std::string path; CommandLineC cmd; hx::ResultT rc; std::vector<std::string> lines; }
  cases[] = {
      {"absolute path runs under the root", root.Path().c_str(), "/usr/bin:/bin",
       CommandLineC{"/usr/sbin/dmidecode"}, 0, {"root-dmidecode"}},
      {"bare name found on a PATH entry under the root", root.Path().c_str(), "/usr/sbin",
       CommandLineC{"ifconfig"}, 0, {"root-ifconfig"}},
      {"first executable file wins", root.Path().c_str(), "/nowhere:/opt/a:/opt/b", CommandLineC{"tool"}, 0,
       {"root-tool-b"}},
      {"argv[0] stays as given", root.Path().c_str(), "/usr/bin",
       CommandLineC{"/usr/bin/shell", "-c", "echo \"$0\""}, 0, {"/usr/bin/shell"}},
      {"the host's program never stands in", root.Path().c_str(), "/usr/sbin:/bin", CommandLineC{"sh", "-c", "true"},
       hx::RcFromErrno(ENOENT), {}},
      {"absolute host path is mapped too", root.Path().c_str(), "/usr/bin:/bin", CommandLineC{"/bin/sh", "-c", "true"},
       hx::RcFromErrno(ENOENT), {}},
      {"found but not executable", root.Path().c_str(), "/opt/a", CommandLineC{"tool"}, hx::RcFromErrno(EACCES),
       {}},
      {"empty root: plain PATH search", "", host.Path() + "/bin", CommandLineC{"hostonly"}, 0, {"host-tool"}},
      {"no root: absolute path unchanged", nullptr, "/usr/bin:/bin", CommandLineC{host.Path() + "/bin/hostonly"},
       0, {"host-tool"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv sysroot("TARVOSKSYSROOT", c.sysroot);
    ScopedEnv path("PATH", c.path.c_str());
    StringArrayC lines;
    EXPECT_EQ(hx::RunCommandLines(c.cmd, lines), c.rc);
    EXPECT_EQ(lines, c.lines);
  }
}

}  // namespace
