// The readers of package tool output and package files, over captured-looking text.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "packages/listers/deb/DebReaders.h"
#include "packages/listers/ips/IpsManifest.h"
#include "packages/listers/registry/RegistryParsers.h"
#include "packages/listers/svr4/SUNPackageLister.h"
#include "packages/listers/svr4/Svr4Readers.h"
#include "foundation/core/Nodiscard.h"
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
  struct tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&tm));
}

}  // namespace

TEST(Svr4ReadersTest, ContentsLinesGiveOwnedPaths) {
  struct CaseT {
    const char* line;
    const char* owned;
  } cases[] = {
      {"/usr/bin/ls f none 0555 root bin 18484 49483 1106333543 SUNWcsu", "SUNWcsu=/usr/bin/ls;"},
      {"/etc/passwd e passwd 0644 root sys 580 48299 1106333600 SUNWcsr:edit SUNWfoo",
       "SUNWcsr=/etc/passwd;SUNWfoo=/etc/passwd;"},
      {"/usr/bin/sh=../../sbin/sh s none SUNWcsu", "SUNWcsu=/usr/bin/sh;"},
      {"/usr/lib/hard=./soft l none SUNWcsl", "SUNWcsl=/usr/lib/hard;"},
      {"/usr/bin d none 0755 root bin SUNWcsr SUNWcsu", ""},
      {"/devices/pseudo c none 13 2 0666 root sys SUNWcsd", ""},
      {"/var/log/x v none 0644 root sys 0 0 0 -SUNWlog", "-SUNWlog=/var/log/x;"},
      {"/usr/bin/short f none 0555 root bin", ""},
      {"/lonely", ""},
      {"=/odd s none SUNWx", "SUNWx==/odd;"},
  };
  for (const CaseT& c : cases) {
    svr4::FileMapT map;
    svr4::AddContentsLine(c.line, &map);
    EXPECT_EQ(Owned(map), c.owned) << c.line;
  }
}

TEST(Svr4ReadersTest, PkgchkListingGivesOwnedPaths) {
  const char* listing =
      "Pathname: /usr/bin/ls\n"
      "Type: regular file\n"
      "Expected mode: 0555\n"
      "Referenced by the following packages:\n"
      "        SUNWcsu      SUNWextra\n"
      "Current status: installed\n"
      "\n"
      "Pathname: /usr/bin\n"
      "Type: directory\n"
      "Referenced by the following packages:\n"
      "        SUNWcsu\n"
      "\n"
      "Pathname: /dev/null \n"
      "Type: symbolic link\n"
      "Referenced by the following packages:\n"
      "\tSUNWcsd\n"
      "Pathname: /devices/pseudo/mm@0:null\n"
      "Type: character special device\n"
      "Referenced by the following packages:\n"
      "        SUNWcsd\n"
      "        SUNWcsd\n";
  svr4::FileMapT map;
  svr4::PkgchkListReaderC reader(&map);
  for (const std::string& line : hx::SplitLines(listing)) reader.Line(line);
  EXPECT_EQ(Owned(map), "SUNWcsd=/dev/null;SUNWcsu=/usr/bin/ls;SUNWextra=/usr/bin/ls;");
}

TEST(Svr4ReadersTest, VersionsAndInstallDates) {
  struct VersionT {
    const char* text;
    const char* converted;
  } versions[] = {
      {"11.10.0,REV=2005.01.21.15.53", "11.10.0"},
      {"  1.2,rev=7  ", "1.2"},
      {",REV=1", ",REV=1"},
      {"6.6.0", "6.6.0"},
  };
  for (const VersionT& v : versions) EXPECT_EQ(svr4::ConvertVersion(v.text), v.converted) << v.text;

  // Month names are the C locale's whatever the run's LC_TIME says.
  hxtest::ScopedEnvC lcTime("LC_TIME", "de_DE.UTF-8");
  struct DateT {
    const char* text;
    int64_t seconds;  // 0: unreadable
  } dates[] = {
      {"Jan 05 2012 14:22", LocalTime(2012, 1, 5, 14, 22)},
      {"  Nov 30 2018 12:44 ", LocalTime(2018, 11, 30, 12, 44)},
      {"Jän 05 2012 14:22", 0},
      {"2012-01-05", 0},
      {"", 0},
  };
  for (const DateT& d : dates) {
    int64_t seconds = 0;
    EXPECT_EQ(svr4::ParseInstallDate(d.text, &seconds), d.seconds != 0) << d.text;
    if (d.seconds != 0) {
      EXPECT_EQ(seconds, d.seconds) << d.text;
    }
  }
}

// The lister over "pkginfo -l" text: fields per package, the file map joined by instance name,
// and a last package without a closing empty line handed out without its files.
TEST(Svr4ReadersTest, PkginfoOutputGivesPackages) {
  const char* output =
      "   PKGINST:  SUNWcsr\n"
      "      NAME:  Core Solaris, (Root)\n"
      "      ARCH:  i386\n"
      "   VERSION:  11.10.0,REV=2005.01.21.15.53\n"
      "    VENDOR:  Sun Microsystems, Inc.\n"
      "      DESC:  core software for a specific instruction-set architecture\n"
      "  INSTDATE:  Jan 05 2012 14:22\n"
      "     FILES:      112 installed pathnames\n"
      "                   4 shared pathnames\n"
      "\n"
      "   PKGINST:  SUNWnoarch\n"
      "   VERSION:  1.0\n"
      "  INSTDATE:  sometime\n"
      "      ARCH:\n"
      "\n"
      "   PKGINST:  SUNWlast\n"
      "   VERSION:  2.0\n";
  SUNPackageListerC lister(LISTER_FILE_LISTS | LISTER_PROPERTIES);
  lister.fileMap()["SUNWcsr"] = {"/etc/passwd"};
  lister.fileMap()["SUNWlast"] = {"/opt/last"};
  lister.setPkginfoOutput(output);
  std::unique_ptr<PackageInfoC> p;
  std::string seen;
  while (hx::Succeeded(lister.getNext(&p))) {
    StringArrayC files;
    HX_IGNORE_RESULT(p->getFileList(&files));
    seen += p->name() + "|" + p->version().asString(true) + "|" + p->architecture() + "|" +
            std::to_string(p->installDate() != 0) + "|" + hx::Join(files, ",") + "|" +
            std::to_string(p->status() & PackageInfoC::c_StatusListed) + "|";
    for (const auto& [name, value] : p->properties()) seen += name + "=" + value + ";";
    seen += "\n";
  }
  EXPECT_EQ(seen,
            "SUNWcsr|11.10.0|i386|1|/etc/passwd|1|Publisher=Sun Microsystems, Inc.;"
            "Summary=core software for a specific instruction-set architecture;\n"
            "SUNWnoarch|1.0||0||1|\n"
            "SUNWlast|2.0||0||0|\n");
  EXPECT_EQ(lister.getNext(&p), RC_PACKAGES_END);
}

TEST(IpsReadersTest, IdentifiersParse) {
  struct CaseT {
    const char* text;
    bool valid;
    const char* parts;  // publisher|name|version|build|branch|timestamp
  } cases[] = {
      {"pkg://solaris/system/core-os@0.5.11,5.11-0.175.1.0.0.24.2:20120919T185104Z", true,
       "solaris|system/core-os|0.5.11|5.11|0.175.1.0.0.24.2|20120919T185104Z"},
      {"//openindiana.org/SUNWcs@0.5.11-2020.0.1.20752", true, "openindiana.org|SUNWcs|0.5.11||2020.0.1.20752|"},
      {"pkg:/web/curl@7.21.2:20120101T000000Z", true, "|web/curl|7.21.2|||20120101T000000Z"},
      {"/entire", true, "|entire||||"},
      {"pkg://nopublisher-end", false, ""},
      {"pkg:/@1.0", false, ""},
      {"", false, ""},
  };
  for (const CaseT& c : cases) {
    FMRIC f;
    EXPECT_EQ(f.FromString(c.text), c.valid) << c.text;
    EXPECT_EQ(f.valid, c.valid);
    if (c.valid) {
      EXPECT_EQ(f.publisher + "|" + f.name + "|" + f.version + "|" + f.build + "|" + f.branch + "|" + f.timestamp,
                c.parts)
          << c.text;
    }
  }
}

TEST(IpsReadersTest, ManifestLinesAndContentsOutput) {
  struct LineT {
    const char* action;
    IPSLineTypesT type;
    const char *name, *value, *path;
  } lines[] = {
      {"file path=usr/bin/ls owner=root group=bin mode=0555", IPS_FILE, "", "", "usr/bin/ls"},
      {"set name=pkg.summary value=\"GNU version of \\\"tar\\\"\"", IPS_SET, "pkg.summary", "GNU version of \"tar\"", ""},
      {"set name='pkg.description' value='it''s'", IPS_SET, "pkg.description", "its", ""},
      {"hardlink path=a\\ b target=c", IPS_HARDLINK, "", "", "a b"},
      {"depend fmri=x type=require", IPS_UNKNOWN, "", "", ""},
      {"license license=lic path=/x", IPS_LICENSE, "", "", "/x"},
  };
  for (const LineT& l : lines) {
    IPSManifestLineC m;
    m.Parse(l.action);
    EXPECT_EQ(m.type, l.type) << l.action;
    EXPECT_EQ(m.Attribute(IPS_NAME), l.name) << l.action;
    EXPECT_EQ(m.Attribute(IPS_VALUE), l.value) << l.action;
    EXPECT_EQ(m.Attribute(IPS_PATH), l.path) << l.action;
  }

  IPSPkgManifestParserC::CollectionT packages;
  IPSPkgManifestParserC parser(&packages);
  const char* output =
      "pkg://solaris/system/core-os@0.5.11,5.11-0.175.1.0.0.24.2:20120919T185104Z set name=pkg.summary value=\"Core\"\n"
      "pkg://solaris/system/core-os@0.5.11,5.11-0.175.1.0.0.24.2:20120919T185104Z file path=usr/bin/ls mode=0555\n"
      "pkg://solaris/system/core-os@0.5.11,5.11-0.175.1.0.0.24.2:20120919T185104Z link path=/usr/bin/sh target=ksh\n"
      "pkg://broken file path=usr/bin/nobody\n"
      "pkg:/web/curl@7.21.2 set name=pkg.summary value=curl\n";
  ASSERT_EQ(parser.Write(output, std::strlen(output)), hx::RC_OK);
  parser.Close();
  ASSERT_EQ(packages.size(), 2u);
  EXPECT_EQ(parser.unreadableLines(), 1u);
  StringArrayC files;
  HX_IGNORE_RESULT(packages[0]->getFileList(&files));
  EXPECT_EQ(packages[0]->name() + "|" + packages[0]->version().asString(true) + "|" + hx::Join(files, ","),
            "system/core-os|0.5.11-0.175.1.0.0.24.2|/usr/bin/ls,/usr/bin/sh");
  EXPECT_EQ(packages[0]->version().release(), "0.175.1.0.0.24.2");
  EXPECT_EQ(packages[0]->properties().at("Publisher"), "solaris");
  EXPECT_EQ(packages[0]->properties().at("Summary"), "Core");
  EXPECT_EQ(packages[1]->properties().count("Publisher"), 0u);
  EXPECT_EQ(packages[0]->status() & packages[1]->status() & PackageInfoC::c_StatusListed, 1u);
}

TEST(RegistryReadersTest, RegistriesGivePackages) {
  struct CaseT {
    const char* what;
    hx::ResultT (*read)(std::string_view, RegistryCollectionT*);
    const char* xml;
    const char* packages;
  } cases[] = {
      {"ia", &ReadIARegistry,
       "<?xml version=\"1.0\"?><registry><products>"
       "<product name=\"Tool\" version=\"4.2.1\" location=\"/opt/tool\" last_modified=\"2012-03-04 05:06:07\">"
       "<vendor name=\"Acme\"/>\n  The tool  \n</product>"
       "<product name=\"NoVersion\"/>"
       "<product name=\"Plain\" version=\"1\"></product>"
       "</products><product name=\"Outside\" version=\"9\"/></registry>",
       "IA|Tool|4.2.1|1|InstallLocation=/opt/tool;Publisher=Acme;Summary=The tool;\n"
       "IA|Plain|1|0|\n"},
      {"bea", &ReadBEARegistry,
       "<bea-product-information><host><product format=\"1.0\" name=\"WebLogic Platform\">"
       "<release level=\"10.3\" ServicePackLevel=\"2\" PatchLevel=\"\" Status=\"installed\" InstallDir=\"/u01/wl\">"
       "<component name=\"WebLogic Server\" version=\"10.3.2.0\" InstallDir=\"/u01/wl/server\"/>"
       "<component name=\"NoVersion\"/></release>"
       "<component name=\"AfterRelease\" version=\"1\"/>"
       "<release level=\"9.2\" Status=\"uninstalled\"><component name=\"Gone\" version=\"1\"/></release>"
       "<release level=\"11\" ServicePackLevel=\"1\" PatchLevel=\"3\"/>"
       "</product></host></bea-product-information>",
       "BEA|WebLogic Platform|10.3.2|0|InstallLocation=/u01/wl;Publisher=Oracle Corporation;\n"
       "BEA|WebLogic Server|10.3.2.0|0|InstallLocation=/u01/wl/server;Publisher=Oracle Corporation;\n"
       "BEA|WebLogic Platform|11.1.3|0|Publisher=Oracle Corporation;\n"},
      {"ia-broken", &ReadIARegistry,
       "<products><product name=\"First\" version=\"1\"/><product name=\"Second\" version=\"2\"><<</products>",
       "IA|First|1|0|\nIA|Second|2|0|\n"},
  };
  for (const CaseT& c : cases) {
    RegistryCollectionT collection;
    HX_IGNORE_RESULT(c.read(c.xml, &collection));
    std::string seen;
    for (const auto& p : collection) {
      seen += p->type() + "|" + p->name() + "|" + p->version().asString(true) + "|" +
              std::to_string(p->installDate() != 0) + "|";
      for (const auto& [name, value] : p->properties()) seen += name + "=" + value + ";";
      seen += "\n";
    }
    EXPECT_EQ(seen, c.packages) << c.what;
  }
  EXPECT_EQ(SplitBeaHomeList("/u01/bea;/u02/bea\n\n ; /u03/bea ;\n"), (StringArrayC{"/u01/bea", "/u02/bea", "/u03/bea"}));
}

TEST(DebReadersTest, QueryLinesListLinesAndUsrTwins) {
  struct CaseT {
    const char* line;
    bool ok;
    const char* fields;  // name|qualified|arch|version|maintainer|summary|installed
  } cases[] = {
      {"ii \tcoreutils\tamd64\t9.1-1\tMichael Stone <mstone@debian.org>\tGNU core utilities", true,
       "coreutils|coreutils|amd64|9.1-1|Michael Stone <mstone@debian.org>|GNU core utilities|1"},
      {"hi \tlibc6:amd64\tamd64\t2.36-9+deb12u4\tGNU Libc Maintainers\tGNU C Library", true,
       "libc6|libc6:amd64|amd64|2.36-9+deb12u4|GNU Libc Maintainers|GNU C Library|1"},
      {"rc \told\tall\t1:0.9-2\t\t", true, "old|old|all|1:0.9-2|||0"},
      {"un \tnever\t\t\t\t", true, "never|never|||||0"},
      {"iU \thalf\tall\t1.0", true, "half|half|all|1.0|||0"},
      {"ii \t\tamd64\t1\tx\ty", false, ""},
      {"ii  bash amd64 5.2", false, ""},
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
  EXPECT_EQ(deb::UsrTwin("/bin/ls", merged), "/usr/bin/ls");
  EXPECT_EQ(deb::UsrTwin("/lib/x86_64-linux-gnu/libc.so.6", merged), "/usr/lib/x86_64-linux-gnu/libc.so.6");
  EXPECT_EQ(deb::UsrTwin("/lib64/ld.so", merged), "");
  EXPECT_EQ(deb::UsrTwin("/bin", merged), "");
  EXPECT_EQ(deb::UsrTwin("/sbin/init", merged), "");
  EXPECT_EQ(deb::UsrTwin("/binary/x", merged), "");
  EXPECT_TRUE(deb::IsUsrLinkTarget("bin", "usr/bin"));
  EXPECT_TRUE(deb::IsUsrLinkTarget("lib64", "/usr/lib64/"));
  EXPECT_FALSE(deb::IsUsrLinkTarget("bin", "usr/sbin"));
  EXPECT_FALSE(deb::IsUsrLinkTarget("bin", "/opt/usr/bin"));
}
