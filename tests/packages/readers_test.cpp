// The readers of package tool output and package files, over captured-looking text.

#include "packages/listers/deb/DebReaders.h"
#include "packages/listers/ips/IpsManifest.h"
#include "packages/listers/svr4/SUNPackageLister.h"
#include "packages/listers/svr4/Svr4Readers.h"
#include "support/TestSupport.h"

namespace {

using namespace trk;

std::string Owned(const svr4::FileMapT& map) {
  std::string out;
  for (const auto& [name, files] : std::map<std::string, StringArrayC>(map.begin(), map.end()))
    out += name + "=" + hx::Join(files, ",") + ";";
  return out;
}

int64_t LocalTime(int year, int month, int day, int hour, int minute) {
  return static_cast<int64_t>(hxtest::TimeOf(false, year, month, day, hour, minute));
}

}  // namespace

TEST(Svr4ReadersTest, ContentsLinesGiveOwnedPaths) {
  struct CaseT { const char* line; const char* owned; } cases[] = {
      {"/usr/bin/ls f none 0555 root bin 18484 49483 1106333543 SUNWcsu", "SUNWcsu=/usr/bin/ls;"},
      {"/etc/passwd e passwd 0644 root sys 580 48299 1106333600 SUNWcsr:edit SUNWfoo",
       "SUNWcsr=/etc/passwd;SUNWfoo=/etc/passwd;"},
      {"/usr/bin/sh=../../sbin/sh s none SUNWcsu", "SUNWcsu=/usr/bin/sh;"},
      {"/usr/bin d none 0755 root bin SUNWcsr SUNWcsu", ""},
      {"/var/log/x v none 0644 root sys 0 0 0 -SUNWlog", "-SUNWlog=/var/log/x;"},
      {"/usr/bin/short f none 0555 root bin", ""},
  };
  for (const CaseT& c : cases) {
    svr4::FileMapT map;
    svr4::AddContentsLine(c.line, &map);
    EXPECT_EQ(Owned(map), c.owned) << c.line;
  }
}

TEST(Svr4ReadersTest, PkgchkListingGivesOwnedPaths) {
  const char* listing =
      "Pathname: /usr/bin/ls\nType: regular file\nReferenced by the following packages:\n"
      "        SUNWcsu      SUNWextra\nCurrent status: installed\n"
      "Pathname: /usr/bin\nType: directory\nReferenced by the following packages:\n        SUNWcsu\n"
      "Pathname: /dev/null \nType: symbolic link\nReferenced by the following packages:\n\tSUNWcsd\n"
      "Pathname: /devices/pseudo/mm@0:null\nType: character special device\n"
      "Referenced by the following packages:\n        SUNWcsd\n";
  svr4::FileMapT map;
  svr4::PkgchkListReaderC reader(&map);
  for (const std::string& line : hx::SplitLines(listing)) reader.Line(line);
  EXPECT_EQ(Owned(map), "SUNWcsd=/dev/null;SUNWcsu=/usr/bin/ls;SUNWextra=/usr/bin/ls;");
}

// The fixture machine's "pkginfo -l" listing, cut inside its last package: every package with
// its fields, the files of the map for those that end, and none for the one cut short, which
// no pkgchk is asked about (there is none under the empty system root).
TEST(Svr4ReadersTest, PkginfoListingGivesThePackages) {
  const std::string script = hxtest::ReadFile(HX_SOURCE_DIR "/tests/fixtures/machines/solaris10-packages/usr/bin/pkginfo");
  const size_t from = script.find("<<'OUT'\n") + 8;
  std::string listing = script.substr(from, script.find("\nOUT\n", from) + 1 - from);
  listing = listing.substr(0, listing.find_last_not_of('\n') + 1) + "\n";  // no end to the last package
  hxtest::TempDirC root("hx-empty-root");
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root.Path().c_str());
  SUNPackageListerC lister(LISTER_FILE_LISTS | LISTER_PROPERTIES);
  lister.fileMap()["SUNWcsu"] = {"/usr/bin/ls"};
  lister.setPkginfoOutput(listing);
  std::vector<std::string> got;
  std::unique_ptr<PackageInfoC> p;
  while (lister.getNext(&p) == hx::RC_OK) {
    StringArrayC files;
    const hx::ResultT listed = p->getFileList(&files);
    const auto property = [&p](const char* name) {
      const auto it = p->properties().find(name);
      return it == p->properties().end() ? std::string() : it->second;
    };
    got.push_back(p->name() + "|" + p->version().asString(true) + "|" + p->architecture() + "|" +
                  std::to_string(p->installDate() == LocalTime(2012, 1, 5, 14, 23)) + "|" +
                  property(PackageInfoC::c_sSummary) + "|" + property(PackageInfoC::c_sPublisher) + "|" +
                  std::to_string(p->status() & PackageInfoC::c_StatusListed) + "|" +
                  (hx::Failed(listed) ? "failed" : hx::Join(files, ",")));
  }
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(got[0], "SUNWcsr|11.10.0|i386|0|core software for a specific instruction-set architecture|"
                    "Sun Microsystems, Inc.|1|");
  EXPECT_EQ(got[1], "SUNWcsu|11.10.0|i386|1|core software for a specific instruction-set architecture|"
                    "Sun Microsystems, Inc.|1|/usr/bin/ls");
  EXPECT_EQ(got.back().substr(got.back().rfind("|", got.back().size() - 2)), "|0|") << got.back();
}

TEST(Svr4ReadersTest, VersionsAndInstallDates) {
  struct VersionT { const char* text; const char* converted; } versions[] = {
      {"11.10.0,REV=2005.01.21.15.53", "11.10.0"},
      {",REV=1", ",REV=1"},
  };
  for (const VersionT& v : versions) EXPECT_EQ(svr4::ConvertVersion(v.text), v.converted) << v.text;

  // Month names are the C locale's; a run's own time locale (set at start-up) is not asked.
  // seconds: 0 when the date cannot be read
  struct DateT { const char* text; int64_t seconds; } dates[] = {
      {"Jan 05 2012 14:22", LocalTime(2012, 1, 5, 14, 22)},
      {"  Nov 30 2018 12:44 ", LocalTime(2018, 11, 30, 12, 44)},
      {"Jän 05 2012 14:22", 0},
  };
  for (const DateT& d : dates) {
    int64_t seconds = 0;
    EXPECT_EQ(svr4::ParseInstallDate(d.text, &seconds), d.seconds != 0) << d.text;
    if (d.seconds != 0) {
      EXPECT_EQ(seconds, d.seconds) << d.text;
    }
  }
}

TEST(IpsReadersTest, IdentifiersParse) {
  // parts: publisher|name|version|build|branch|timestamp
  struct CaseT { const char* text; bool valid; const char* parts; } cases[] = {
      {"pkg://solaris/system/core-os@0.5.11,5.11-0.175.1.0.0.24.2:20120919T185104Z", true,
       "solaris|system/core-os|0.5.11|5.11|0.175.1.0.0.24.2|20120919T185104Z"},
      {"//openindiana.org/SUNWcs@0.5.11-2020.0.1.20752", true, "openindiana.org|SUNWcs|0.5.11||2020.0.1.20752|"},
      {"/entire", true, "|entire||||"},
      {"pkg://nopublisher-end", false, ""},
      {"pkg:/@1.0", false, ""},
  };
  for (const CaseT& c : cases) {
    FMRIC f;
    EXPECT_EQ(f.FromString(c.text), c.valid) << c.text;
    EXPECT_EQ(f.valid, c.valid);
    if (c.valid) {
      EXPECT_EQ(f.publisher + "|" + f.name + "|" + f.version + "|" + f.build + "|" + f.branch + "|" + f.timestamp, c.parts)
          << c.text;
    }
  }
}

TEST(DebReadersTest, QueryLinesListLinesAndUsrTwins) {
  // fields: name|qualified|arch|version|maintainer|summary|installed
  struct CaseT { const char* line; bool ok; const char* fields; } cases[] = {
      {"ii \tcoreutils\tamd64\t9.1-1\tMichael Stone <mstone@debian.org>\tGNU core utilities", true,
       "coreutils|coreutils|amd64|9.1-1|Michael Stone <mstone@debian.org>|GNU core utilities|1"},
      {"hi \tlibc6:amd64\tamd64\t2.36-9+deb12u4\tGNU Libc Maintainers\tGNU C Library", true,
       "libc6|libc6:amd64|amd64|2.36-9+deb12u4|GNU Libc Maintainers|GNU C Library|1"},
      {"rc \told\tall\t1:0.9-2\t\t", true, "old|old|all|1:0.9-2|||0"},
      {"iU \thalf\tall\t1.0", true, "half|half|all|1.0|||0"},
      {"ii \t\tamd64\t1\tx\ty", false, ""},
  };
  for (const CaseT& c : cases) {
    deb::DebPackageT p;
    EXPECT_EQ(deb::ParseQueryLine(c.line, &p), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(p.name + "|" + p.qualifiedName + "|" + p.architecture + "|" + p.version + "|" + p.maintainer + "|" +
                    p.summary + "|" + std::to_string(p.installed),
                c.fields)
          << c.line;
    }
  }

  std::string paths;
  for (const char* line : {"/.", "/usr/bin/ls", "", "relative", "/bin/ls\r"}) {
    std::string_view path;
    if (deb::ListLinePath(line, &path)) paths += std::string(path) + ";";
  }
  EXPECT_EQ(paths, "/usr/bin/ls;/bin/ls;");

  const std::vector<std::string> merged{"bin", "lib"};
  for (const auto& [path, twin] : std::vector<std::pair<const char*, const char*>>{
           {"/bin/ls", "/usr/bin/ls"}, {"/lib/x86_64-linux-gnu/libc.so.6", "/usr/lib/x86_64-linux-gnu/libc.so.6"},
           {"/lib64/ld.so", ""}, {"/bin", ""}, {"/binary/x", ""}})
    EXPECT_EQ(deb::UsrTwin(path, merged), twin) << path;
  EXPECT_TRUE(deb::IsUsrLinkTarget("lib64", "/usr/lib64/"));
  EXPECT_FALSE(deb::IsUsrLinkTarget("bin", "/opt/usr/bin"));
}
