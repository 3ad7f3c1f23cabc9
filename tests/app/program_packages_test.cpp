// The package phase of whole hxtrack runs: on fixture machines (Solaris 10 with SVR4 packages
// and installer registries, Solaris 11 with IPS packages, Debian), and on this host, whose
// inventory must agree with what dpkg itself reports.

#include "app/AppTestSupport.h"
#include "foundation/process/RunCommand.h"

namespace {

using hxapp::CopyMachine;
using RunT = hxapp::MachineRunT;

// A run with the shipped configuration, `options` among its -o values, nothing compressed.
RunT RunTracker(const hxtest::TempDirC& dir, const std::string& machine, const std::vector<std::string>& options) {
  std::vector<std::string> args{"-o", "Compress=False"};
  for (const std::string& o : options) args.insert(args.end(), {"-o", o});
  return hxapp::RunOnMachine(dir, machine, args);
}

// The element that begins with `head` (a whole start tag or its beginning), up to its end tag.
std::string Element(const std::string& document, const std::string& head, const char* tag = "Package") {
  const size_t begin = document.find(head);
  if (begin == std::string::npos) return std::string();
  const std::string end = std::string("</") + tag + ">";
  const size_t close = document.find(end, begin);
  const size_t selfClose = document.find("/>\n", begin);
  if (selfClose < document.find('\n', begin)) return document.substr(begin, selfClose + 2 - begin);
  return close == std::string::npos ? std::string() : document.substr(begin, close + end.size() - begin);
}

// The file entity of a path, from its Instance to the end of its Content.
std::string ContentOf(const std::string& document, const std::string& path) {
  const size_t at = document.find("Path=\"" + path + "\"");
  return at == std::string::npos ? std::string() : document.substr(at, document.find("</Content>", at) - at);
}

std::string Squeeze(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n'; }), text.end());
  return text;
}

}  // namespace

// Every kind of package of a Solaris 10 machine, the product of a scanned file that a package
// owns, a registry met by the scan, the agent's own package and the external agent.
TEST(ProgramPackagesTest, SolarisTenMachineHoldsEveryPackageSource) {
  hxtest::TempDirC dir("hx-pkgrun");
  const std::string machine = CopyMachine(dir, "solaris10-packages");
  const std::string scan = dir.Mkdir("scan/opt/app");
  for (const char* tool : {"tool", "last"})
    ASSERT_EQ(::chmod(dir.Write(std::string("scan/opt/app/bin/") + tool, "#!/bin/sh\n").c_str(), 0755), 0);
  dir.Write("scan/opt/app/.com.zerog.registry.xml",
            "<registry><products><product name=\"Scanned Product\" version=\"1.0\"/></products></registry>");
  // The last package of "pkginfo -l" has no closing empty line: it is listed without its files.
  std::ofstream(machine + "/var/sadm/install/contents", std::ios::app)
      << scan << "/bin/tool f none 0555 root bin 10 1 1311769893 TSTapp\n"
      << scan << "/bin/last f none 0555 root bin 10 1 1311769893 TSTlast\n";
  dir.Write("tlmagent.ini", "agentid = 42\nagent_version = 7.5\n");
  dir.Write("cache/public/editor/package.xml",
            "<package name=\"editor\" title=\"Acme Editor\" type=\"Application\" version=\"2.1\"/>");

  const RunT run = RunTracker(dir, machine,
                              {"IncludeDirectory=" + scan, "TLMAgentIniPath=" + dir.File("tlmagent.ini"),
                               "TLMStandaloneIniPath=" + dir.File("none.ini"), "PkgCacheDirectory=" + dir.File("cache")});
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  const std::string& inv = run.inventory;
  EXPECT_EQ(Squeeze(Element(inv, "<Package Name=\"SUNWcsr\"")),
            "<Package Name=\"SUNWcsr\" Evidence=\"SUNPKG\" Version=\"11.10.0\" InstallDate=\"20120105T142200\">"
            "<Property Name=\"Architecture\" Value=\"i386\"/><Property Name=\"Publisher\" Value=\"Sun Microsystems, Inc.\"/>"
            "<Property Name=\"Summary\" Value=\"core software for a specific instruction-set architecture\"/></Package>");
  EXPECT_EQ(Squeeze(Element(inv, "<Package Name=\"SUNWpkgcmdsu\"")),
            "<Package Name=\"SUNWpkgcmdsu\" Evidence=\"SUNPKG\" Version=\"11.11\">"
            "<Property Name=\"Publisher\" Value=\"Sun Microsystems, Inc.\"/>"
            "<Property Name=\"Summary\" Value=\"SVr4 Packaging Commands (usr)\"/></Package>");
  EXPECT_EQ(hxtest::Count(inv, "Evidence=\"SUNPKG\""), 6u);
  EXPECT_EQ(hxtest::Count(inv, "Evidence=\"IA\""), 2u);  // no package without a version or outside "products"
  EXPECT_EQ(Squeeze(Element(inv, "<Package Name=\"Acme Monitor\"")),
            "<Package Name=\"Acme Monitor\" Evidence=\"IA\" Version=\"4.2.1\" InstallDate=\"20111115T102030\">"
            "<Property Name=\"InstallLocation\" Value=\"/opt/AcmeMonitor\"/>"
            "<Property Name=\"Publisher\" Value=\"Acme Systems\"/><Property Name=\"Summary\" Value=\"Acme Monitor agent\"/>"
            "</Package>");
  EXPECT_TRUE(hxtest::Contains(inv, "<Package Name=\"Scanned Product\" Evidence=\"IA\" Version=\"1.0\""));
  EXPECT_TRUE(hxtest::Contains(run.log, "The file '" + scan + "/.com.zerog.registry.xml' has been detected as a possible package registry"));
  for (const char* bea : {"<Package Name=\"WebLogic Platform\" Evidence=\"BEA\" Version=\"10.3.2\">",
                          "<Package Name=\"WebLogic Server\" Evidence=\"BEA\" Version=\"10.3.2.0\">",
                          "<Package Name=\"Workshop\" Evidence=\"BEA\" Version=\"10.3.2.0\">"})
    EXPECT_TRUE(hxtest::Contains(inv, bea)) << bea;
  EXPECT_FALSE(hxtest::Contains(inv, "Old Server"));
  EXPECT_FALSE(hxtest::Contains(inv, "Evidence=\"IPS\""));
  EXPECT_FALSE(hxtest::Contains(ContentOf(inv, scan + "/bin/last"), "ProductName"));
  const std::string tool = ContentOf(inv, scan + "/bin/tool");
  EXPECT_TRUE(hxtest::Contains(tool, "<Property Name=\"ProductName\" Value=\"TSTapp\"/>")) << tool;
  EXPECT_TRUE(hxtest::Contains(tool, "<Property Name=\"ProductVersion\" Value=\"7.1\"/>")) << tool;
  EXPECT_TRUE(hxtest::Contains(Squeeze(Element(inv, "<Hardware Class=\"TVK_ExternalAgent\"", "Hardware")),
                               "<Property Name=\"ID\" Value=\"42\"/><Property Name=\"Version\" Value=\"7.5\"/>"));
  EXPECT_TRUE(hxtest::Contains(inv, "<Package Name=\"Acme Editor\" Evidence=\"Tarvosk\" Version=\"2.1\">"));
}

// A package tool that fails, hangs or prints garbage is logged; the other types still report.
TEST(ProgramPackagesTest, FailingPackageToolLeavesTheOtherTypes) {
  // partial: the package printed before the failure is kept
  struct CaseT { const char* what; const char* script; const char* logged; bool partial; } cases[] = {
      {"exits 3", "#!/bin/sh\nprintf '   PKGINST:  SUNWpart\\n   VERSION:  1.0\\n\\n'\nexit 3\n",
       "ERROR: Command 'pkginfo -l' exited with code 3", true},
      {"hangs", "#!/bin/sh\nprintf '   PKGINST:  SUNWpart\\n   VERSION:  1.0\\n\\n'\nexec sleep 60\n",
       "ERROR: Command 'pkginfo -l' ", true},
      {"garbage", "#!/bin/sh\nprintf '\\001\\002garbage\\n%%%%\\n'\n",
       "WARNING: Command 'pkginfo -l' printed 2 line(s) that could not be read", false},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    hxtest::TempDirC dir("hx-pkgfail");
    const std::string machine = CopyMachine(dir, "solaris10-packages");
    ASSERT_EQ(::chmod(dir.Write("machine/usr/bin/pkginfo", c.script).c_str(), 0755), 0);
    const RunT run = RunTracker(dir, machine, {"Hardware=False", "ToolTimeout=2"});
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    EXPECT_TRUE(hxtest::Contains(run.log, c.logged)) << run.log;
    EXPECT_EQ(hxtest::Contains(run.inventory, "<Package Name=\"SUNWpart\" Evidence=\"SUNPKG\" Version=\"1.0\""),
              c.partial);
    EXPECT_TRUE(hxtest::Contains(run.inventory, "<Package Name=\"Acme Monitor\" Evidence=\"IA\""));
    EXPECT_TRUE(hxtest::Contains(run.inventory, "<Package Name=\"Workshop\" Evidence=\"BEA\""));
  }
}

// The Debian query runs while the phases before the packages go on; a query that fails or
// hangs is still logged, in its place, and what it printed before is kept.
TEST(ProgramPackagesTest, FailingDebianQueryIsLoggedInItsPlace) {
  const struct { const char* what; const char* tail; const char* logged; } cases[] = {
      {"exits 3", "exit 3\n", "exited with code 3"}, {"hangs", "exec sleep 60\n", "ERROR: Command 'dpkg-query -W "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    hxtest::TempDirC dir("hx-pkgdebfail");
    const std::string machine = CopyMachine(dir, "debian12");
    const std::string script = std::string("#!/bin/sh\nprintf 'ii \\tpart\\tamd64\\t1.0\\tm\\ts\\n'\n") + c.tail;
    ASSERT_EQ(::chmod(dir.Write("machine/usr/bin/dpkg-query", script).c_str(), 0755), 0);
    const RunT run = RunTracker(dir, machine, {"ToolTimeout=2"});
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    const size_t logged = run.log.find(c.logged);
    EXPECT_TRUE(logged != std::string::npos && logged > run.log.find("Started tracking packages")) << run.log;
    EXPECT_TRUE(hxtest::Contains(run.inventory, "<Package Name=\"part\" Evidence=\"DEB\" Version=\"1.0\"")) << run.inventory;
  }
}

// Type names in any case; an empty or unknown one adds nothing.
TEST(ProgramPackagesTest, SolarisElevenMachineHoldsItsIpsPackages) {
  hxtest::TempDirC dir("hx-pkgips");
  const RunT run =
      RunTracker(dir, CopyMachine(dir, "solaris11-ips"), {"Hardware=False", "PackageDatabaseTypes=ips,,NOSUCH"});
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  EXPECT_EQ(Squeeze(Element(run.inventory, "<Package Name=\"archiver/gnu-tar\"")),
            "<Package Name=\"archiver/gnu-tar\" Evidence=\"IPS\" Version=\"1.26-0.175.1.0.0.24.0\">"
            "<Property Name=\"Publisher\" Value=\"solaris\"/>"
            "<Property Name=\"Summary\" Value=\"GNU version of the tar archiving utility\"/></Package>");
  EXPECT_TRUE(hxtest::Contains(run.inventory, "<Package Name=\"system/core-os\" Evidence=\"IPS\" Version=\"0.5.11-0.175.1.0.0.24.2\">"));
  EXPECT_EQ(Squeeze(Element(run.inventory, "<Package Name=\"site/tool\"")),
            "<Package Name=\"site/tool\" Evidence=\"IPS\" Version=\"2.0-1\"><Property Name=\"Summary\" Value=\"Site tool\"/></Package>");
  EXPECT_EQ(hxtest::Count(run.inventory, "<Package "), 3u);
  EXPECT_TRUE(hxtest::Contains(run.log, "Finished tracking packages"));
}

// A Debian machine whose /bin and /lib are links into /usr: its installed packages, the owner of
// a file found under /usr that dpkg lists under /bin, and a delta after one upgrade that holds
// exactly the old and the new package element.
TEST(ProgramPackagesTest, DebianMachinePackagesAndTheirDelta) {
  hxtest::TempDirC dir("hx-pkgdeb");
  const std::string machine = CopyMachine(dir, "debian12");
  ASSERT_EQ(::symlink("usr/bin", (machine + "/bin").c_str()), 0);
  const std::vector<std::string> scan{"IncludeDirectory=/usr/bin", "IncludeExecutables=False",
                                      "IncludeFile=ls;md5sum", "Hardware=False"};
  const RunT first = RunTracker(dir, machine, scan);
  EXPECT_EQ(first.exitCode, 0u) << first.log;
  const std::string coreutils = Squeeze(Element(first.inventory, "<Package Name=\"coreutils\""));
  EXPECT_TRUE(hxtest::Contains(coreutils, "Evidence=\"DEB\" Version=\"9.1-1\" InstallDate=\"")) << coreutils;
  EXPECT_TRUE(hxtest::Contains(coreutils, "<Property Name=\"Architecture\" Value=\"amd64\"/>"
                                          "<Property Name=\"Publisher\" Value=\"Michael Stone &lt;mstone@debian.org&gt;\"/>"
                                          "<Property Name=\"Summary\" Value=\"GNU core utilities\"/>"));
  EXPECT_EQ(hxtest::Count(first.inventory, "Evidence=\"DEB\""), 5u);
  EXPECT_EQ(hxtest::Count(first.inventory, "<Package Name=\"libc6\" Evidence=\"DEB\" Version=\"2.36-9+deb12u4\""), 2u);
  EXPECT_FALSE(hxtest::Contains(first.inventory, "oldpkg"));
  for (const char* file : {"/usr/bin/ls", "/usr/bin/md5sum"}) {
    const std::string content = ContentOf(first.inventory, file);
    EXPECT_TRUE(hxtest::Contains(content, "<Property Name=\"ProductName\" Value=\"coreutils\"/>")) << content;
    EXPECT_TRUE(hxtest::Contains(content, "<Property Name=\"ProductVersion\" Value=\"9.1-1\"/>")) << content;
  }

  const std::string query = machine + "/var/lib/dpkg/query-output";
  std::string listed = hxtest::ReadFile(query);
  listed.replace(listed.find("9.1-1"), 5, "9.1-2");
  hxtest::WriteFile(query, listed);
  const RunT second = RunTracker(dir, machine, {"Hardware=False", "Difference=True"});
  EXPECT_EQ(second.exitCode, 0u) << second.log;
  std::string delta;  // the staged copy of the second run, the only delta
  for (const std::string& f : hxapp::FilesIn(dir.File("data/uploads"))) {
    const std::string text = hxtest::ReadFile(dir.File("data/uploads/" + f));
    if (hxtest::Contains(text, "Type=\"Difference\"")) delta = text;
  }
  const size_t remove = delta.find("<Remove>"), add = delta.find("<Add>");
  ASSERT_TRUE(remove != std::string::npos && add != std::string::npos) << delta;
  const std::string removed = Squeeze(delta.substr(remove, delta.find("</Remove>") - remove));
  const std::string added = Squeeze(delta.substr(add, delta.find("</Add>") - add));
  EXPECT_TRUE(hxtest::Contains(removed, "<Package Name=\"coreutils\" Evidence=\"DEB\" Version=\"9.1-1\"")) << removed;
  EXPECT_TRUE(hxtest::Contains(added, "<Package Name=\"coreutils\" Evidence=\"DEB\" Version=\"9.1-2\"")) << added;
  // The file scan of the first run is not repeated: its files are the delta's only other change.
  EXPECT_EQ(hxtest::Count(removed, "<Package "), 1u) << removed;
  // <Add>, the package, its properties and its end tag: nothing else was added.
  EXPECT_EQ(hxtest::Count(added, "<"), hxtest::Count(added, "<Property ") + 3u) << added;
}

// On a Debian or Ubuntu host the main command lists what dpkg lists as installed, with the same
// versions, and a scan of /usr/bin names the owner dpkg names.
TEST(ProgramPackagesTest, DebianHostAgreesWithDpkg) {
  if (::access("/usr/bin/dpkg-query", X_OK) != 0) GTEST_SKIP() << "not a Debian host";
  StringArrayC lines;
  ASSERT_EQ(hx::RunCommandLines(CommandLineC{"dpkg-query", "-W", "-f=${db:Status-Abbrev} ${Package} ${Version}\n"}, lines),
            hx::RC_OK);
  std::vector<std::string> expected;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = hx::SplitBlanks(line);
    if (f.size() == 3 && f[0].size() > 1 && f[0][1] == 'i') expected.push_back(f[1] + " " + f[2]);
  }
  hxtest::TempDirC dir("hx-pkghost");
  const RunT run = RunTracker(dir, "", {"IncludeDirectory=/usr/bin", "IncludeExecutables=False",
                                        "IncludeFile=md5sum;ls", "Hardware=False"});
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  std::vector<std::string> listed;
  for (const std::string& line : hx::SplitLines(run.inventory)) {
    if (!hxtest::Contains(line, "Evidence=\"DEB\"")) continue;
    const size_t name = line.find("Name=\"") + 6, version = line.find("Version=\"") + 9;
    listed.push_back(line.substr(name, line.find('"', name) - name) + " " +
                     line.substr(version, line.find('"', version) - version));
  }
  std::sort(expected.begin(), expected.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);
  for (const auto& [scanned, asked] : {std::make_pair("/usr/bin/md5sum", "/usr/bin/md5sum"), std::make_pair("/usr/bin/ls", "/bin/ls")}) {
    StringArrayC owner;
    if (hx::RunCommandLines(CommandLineC{"dpkg", "-S", asked}, owner) != hx::RC_OK || owner.empty()) continue;
    const std::string package = owner[0].substr(0, owner[0].find(':'));
    StringArrayC version;
    ASSERT_EQ(hx::RunCommandLines(CommandLineC{"dpkg-query", "-W", "-f=${Version}", package}, version), hx::RC_OK);
    const std::string content = ContentOf(run.inventory, scanned);
    EXPECT_TRUE(hxtest::Contains(content, "<Property Name=\"ProductName\" Value=\"" + package + "\"/>")) << content;
    EXPECT_TRUE(hxtest::Contains(content, "<Property Name=\"ProductVersion\" Value=\"" + version[0] + "\"/>")) << content;
  }
}
