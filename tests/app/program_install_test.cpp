// The installed program: the tree `cmake --install` makes and the Debian package (unpacked, and
// checked by lintian) each run with a bootstrap configuration that points into them, find their
// uploader, write where that configuration says, and carry a manual page that renders.

#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;

struct ToolRunT { uint32_t exitCode; std::string out; };

ToolRunT RunTool(const CommandLineC& command, const StringArrayC& env = {}) {
  hxtest::ChildC tool(command);
  if (!env.empty()) tool.Environment(env);
  EXPECT_EQ(tool.Start(), hx::RC_OK) << command.ToString();
  ToolRunT run;
  run.exitCode = tool.Finish(std::chrono::seconds(300));
  run.out = tool.Out() + tool.Err();
  return run;
}

// Runs <usr>/bin/hxtrack with the bootstrap file `boot`, which names <usr>/lib/hxtrack as the
// install directory and `data` as the data directory, whose configuration is the shipped one.
void ExpectRunsFrom(const std::string& usr, const std::string& boot, const std::string& data, const std::string& tag) {
  const ToolRunT run = RunTool({usr + "/bin/hxtrack", "-o", "UserInteractionLevel=QUIET", "-o", "LowProfile=False"},
                               {"TARVOSKINI=" + boot, "TARVOSKCONFIGINI=", "TARVOSKINSTALLDIR=", "TARVOSKDATADIR=",
                                "TARVOSKSYSROOT="});
  const std::string log = hxtest::ReadFile(data + "/log/tracker.log");
  EXPECT_EQ(run.exitCode, 0u) << tag << run.out << log;
  EXPECT_TRUE(Contains(log, "Finished uploading inventory")) << tag << log;
  const std::string inventory = hxtest::ReadFile(hxapp::OnlyFile(data + "/tracker/inventories"));
  EXPECT_EQ(hxapp::Gunzipped(hxapp::OnlyFile(data + "/server/Inventories")), inventory) << tag;

  const ToolRunT man = RunTool({"man", "-l", usr + "/share/man/man1/hxtrack.1.gz"}, {"MANWIDTH=80"});
  EXPECT_EQ(man.exitCode, 0u) << tag << man.out;
  for (const char* part : {"SYNOPSIS", "UploadSpoolMax", "TARVOSKINI", "EXIT STATUS", "https://"})
    EXPECT_TRUE(Contains(man.out, part)) << tag << ": " << part;
}

// Every run-path entry of every program and library below `dir` is absolute or relative to the
// file's own place: an empty or relative entry makes the loader search the working directory
// of whoever runs the program (as root, a library planted there would run as root).
void ExpectNoLooseRunPath(const std::string& dir) {
  size_t seen = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    char magic[4] = {};
    if (!e.is_regular_file() || e.is_symlink() || !std::ifstream(e.path(), std::ios::binary).read(magic, 4) ||
        std::string(magic, 4) != "\x7f" "ELF")
      continue;
    ++seen;
    for (const std::string& line : hx::SplitLines(RunTool({"readelf", "-d", e.path().string()}).out)) {
      const size_t open = line.find('['), close = line.rfind(']');
      if ((!Contains(line, "(RPATH)") && !Contains(line, "(RUNPATH)")) || open == std::string::npos) continue;
      for (const std::string& entry : hx::Split(line.substr(open + 1, close - open - 1), ':'))
        EXPECT_TRUE(hx::StartsWith(entry, "/") || hx::StartsWith(entry, "$ORIGIN")) << e.path() << ": " << line;
    }
  }
  EXPECT_GT(seen, 0u) << dir;
}

TEST(ProgramInstall, PackageAndInstalledTreeRun) {
  for (const char* built : {"bin", "lib", "test-plugins"}) ExpectNoLooseRunPath(hxapp::c_BinaryDir + std::string("/") + built);
  hxtest::TempDirC dir("hxapp-inst");
  const ToolRunT pack = RunTool({"cpack", "--config", std::string(hxapp::c_BinaryDir) + "/CPackConfig.cmake", "-B",
                                 dir.File("pkg")});
  ASSERT_EQ(pack.exitCode, 0u) << pack.out;
  const std::vector<std::string> debs = hxapp::FilesIn(dir.File("pkg"));
  ASSERT_EQ(debs.size(), 1u);
  const std::string deb = dir.File("pkg/" + debs[0]);

  const ToolRunT lintian = RunTool({"lintian", "--no-cfg", deb});
  EXPECT_EQ(lintian.exitCode, 0u) << lintian.out;
  for (const std::string& line : hx::SplitLines(lintian.out))
    EXPECT_TRUE(line.compare(0, 2, "E:") != 0 && line.compare(0, 2, "W:") != 0) << line;
  const ToolRunT fields = RunTool({"dpkg-deb", "-f", deb, "Depends"});
  // The uploader's transfer library, and hxcollect's two database engines.
  for (const char* library : {"libcurl4", "libsqlite3", "libpq5"}) EXPECT_TRUE(Contains(fields.out, library)) << fields.out;
  const ToolRunT conffiles = RunTool({"dpkg-deb", "-I", deb, "conffiles"});
  EXPECT_EQ(conffiles.out, "/etc/tarvosk.ini\n");

  ASSERT_EQ(RunTool({"dpkg-deb", "-x", deb, dir.File("root")}).exitCode, 0u);
  const std::string usr = dir.File("root/usr");
  for (const char* unit : {"hxtrack.service", "hxtrack.timer", "hxcollect.service"})
    EXPECT_TRUE(std::filesystem::exists(usr + "/lib/systemd/system/" + unit)) << unit;
  EXPECT_TRUE(Contains(hxtest::ReadFile(usr + "/lib/systemd/system/hxtrack.timer"), "RandomizedDelaySec="));
  // Stripped: no symbol table left in the program.
  EXPECT_FALSE(Contains(RunTool({"file", usr + "/bin/hxtrack"}).out, "not stripped"));
  // The package's own setup step names /usr: this tree gets the shipped configuration by hand.
  const std::string data = dir.File("deb-data");
  std::filesystem::create_directories(data + "/etc");
  std::filesystem::copy_file(usr + "/share/hxtrack/config.ini", data + "/etc/config.ini");
  ExpectRunsFrom(usr, dir.Write("deb-tarvosk.ini", "[Tarvosk]\nInstallDir=" + usr + "/lib/hxtrack\nCommonAppDataFolder=" + data + "\n"),
                 data, "deb");
  ExpectNoLooseRunPath(usr);

  // The same tree from cmake --install, with the bootstrap file and the data directory beside
  // the prefix, not in /etc and /var/lib; its setup step puts the configuration in place.
  const ToolRunT install = RunTool({"cmake", "--install", hxapp::c_BinaryDir, "--prefix", dir.File("usr")});
  ASSERT_EQ(install.exitCode, 0u) << install.out;
  const ToolRunT setup = RunTool({dir.File("usr/lib/hxtrack/hxtrack-setup")});
  ASSERT_EQ(setup.exitCode, 0u) << setup.out;
  ExpectRunsFrom(dir.File("usr"), dir.File("etc/tarvosk.ini"), dir.File("var/lib/hxtrack"), "install");
  ExpectNoLooseRunPath(dir.File("usr"));
}

}  // namespace
