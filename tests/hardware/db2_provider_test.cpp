// The DB2 provider on copies of the db2-solaris fixture machine, each changed the way one case
// needs: what it reports, what it logs, and whose password goes to su.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "hardware/HardwareTestSupport.h"
#include "hardware/unix/HWClass_UnixIBMDB2.h"
#include "prefs/PrefsTestSupport.h"

namespace {

const std::string c_Machine = HX_SOURCE_DIR "/tests/fixtures/machines/db2-solaris";
constexpr uid_t c_Nobody = 65534;
constexpr const char* c_Inst2Password = "db2users=db2inst2:Inst2-Pw%7x";

using ChangeT = std::function<void(const hxtest::TempDirC& root)>;

void Tool(const hxtest::TempDirC& root, const std::string& path, const std::string& body) {
  ::chmod(root.Write(path, "#!/bin/sh\n" + body + "\n").c_str(), 0755);
}

// The owner's home belongs to the owner: the tracker may not run what is in it itself.
void GiveAway(const hxtest::TempDirC& root, const std::string& home) {
  ASSERT_EQ(::chown(root.File(home).c_str(), c_Nobody, c_Nobody), 0) << home;
}

struct ScanT {
  hx::ResultT rc = hx::RC_OK;
  std::string names;  // "Class|Name" of each instance, one a line
  std::string log;
};

ScanT Scan(const std::vector<std::string>& args, const ChangeT& change) {
  hxprefs::LoadC load("", "hxdb2");
  EXPECT_EQ(load.Load(args), hx::RC_OK);
  hxtest::TempDirC root("hxdb2-machine");
  hxtest::CopyTree(c_Machine, root.Path());
  change(root);
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root.Path().c_str());
  env.Set("PATH", "/usr/bin:/bin");
  ScanT scan;
  {
    hxhw::ProviderC<TrkTrackUnixIBMDB2FactoryC, HWClass_UnixIBMDB2> provider;
    HWInstanceListT instances;
    scan.rc = provider->GetInventory(instances, "TVK_Anything", PropertyMap());
    for (const RefM<HWInstance>& i : instances) scan.names += i->GetClassName() + "|" + i->GetName() + "\n";
  }
  scan.log = load.Log();
  return scan;
}

const std::string c_Installations =
    "TVK_IBM_DB2|/opt/IBM/db2/V9.7\nTVK_IBM_DB2_PRODUCT|/opt/IBM/db2/V9.7:0\nTVK_IBM_DB2_PRODUCT|/opt/IBM/db2/V9.7:1\n"
    "TVK_IBM_DB2|/opt/IBM/db2/V10.5\nTVK_IBM_DB2_PRODUCT|/opt/IBM/db2/V10.5:0\n";
const std::string c_Inst1Licences = "TVK_IBM_DB2_LICENCE|db2inst1:0\nTVK_IBM_DB2_LICENCE|db2inst1:1\n";
const std::string c_Inst2Licence = "TVK_IBM_DB2_LICENCE|db2inst2:0\n";
const std::string c_Inst3Licence = "TVK_IBM_DB2_LICENCE|db2inst3:0\n";
const std::string c_Scan = "ERROR during DB2 scan: ";

TEST(Db2Provider, ScanOutcomes) {
  HX_TEST_NEEDS_ROOT();
  const ChangeT asShipped = [](const hxtest::TempDirC& root) { GiveAway(root, "export/home/db2inst2"); };
  struct CaseT {
    const char* what;
    std::vector<std::string> args;
    ChangeT change;
    hx::ResultT rc;
    std::string names;
    std::vector<std::string> logged;  // "!" in front: must not be logged
  } cases[] = {
      {"db2inst2 through su with its password, db2inst3 without any", {"-o", c_Inst2Password}, asShipped, hx::RC_OK,
       c_Installations + c_Inst1Licences + c_Inst2Licence + c_Inst2Licence + c_Inst3Licence,
       {c_Scan + "Running '/home/db2inst3/sqllib/adm/db2licm -l' failed with exit "
        "code 3758096386 and no password is available for impersonating user 'db2inst3'.", "!impersonating user 'db2inst2'"}},
      {"the password alone serves every owner without its own entry",
       {"-o", "db2users=Shared-Pw%3,db2inst2:Inst2-Pw%7x"},
       [&](const hxtest::TempDirC& root) {
         asShipped(root);
         root.Write("home/db2inst3/sqllib/adm/db2licm", hxtest::ReadFile(root.File("export/home/db2inst2/sqllib/adm/db2licm")));
         ::chmod(root.File("home/db2inst3/sqllib/adm/db2licm").c_str(), 0755);
         GiveAway(root, "home/db2inst3");
       },
       hx::RC_OK, c_Installations + c_Inst1Licences + c_Inst2Licence + c_Inst2Licence + c_Inst3Licence,
       {"!" + c_Scan}},
      {"a wrong password", {"-o", "db2users=db2inst2:wrong"}, asShipped, hx::RC_OK,
       c_Installations + c_Inst1Licences + c_Inst2Licence + c_Inst2Licence + c_Inst3Licence,
       {c_Scan + "Running '/export/home/db2inst2/sqllib/adm/db2licm -l' failed with exit code 1 when impersonating "
        "user 'db2inst2'."}},
      {"no engine and no db2ls", {}, [](const hxtest::TempDirC& root) {
         Tool(root, "usr/bin/ps", "echo 'root sched'");
         std::remove(root.File("usr/local/bin/db2ls").c_str());
       }, hx::RC_OK, "", {"!ERROR"}},
      {"db2ls fails while engines run", {}, [](const hxtest::TempDirC& root) { Tool(root, "usr/local/bin/db2ls", "exit 2"); },
       1, "", {c_Scan + "There appears to be a DB2 installation and DB instances running but the command 'db2ls -c' fails."}},
      {"db2ls without its header", {}, [](const hxtest::TempDirC& root) {
         Tool(root, "usr/local/bin/db2ls", "echo /opt/db2:9.7");
       }, hx::RC_FAIL, "", {c_Scan + "Passed first line of output for command 'db2ls -c' and found no header"}},
      {"a listing row without an owner", {}, [](const hxtest::TempDirC& root) { Tool(root, "usr/bin/ps", "echo ' db2sysc'"); },
       hx::RC_FAIL, "", {c_Scan + "The row: ' db2sysc' output by command 'ps -aeo user -o comm' is not in the expected "
        "format of <user><whitespace>:[<whitespace>]<executable/command>."}},
      {"uname prints nothing", {}, [](const hxtest::TempDirC& root) { Tool(root, "usr/bin/uname", "true"); }, hx::RC_OK, "",
       {c_Scan + "Running 'uname' returned an empty result."}},
      {"the products of the first installation fail", {},
       [](const hxtest::TempDirC& root) {
         const std::string db2ls = root.File("usr/local/bin/db2ls");
         hxtest::WriteFile(db2ls, hx::ReplaceAll(hxtest::ReadFile(db2ls), "V9.7\") cat", "V9.7\") exit 4 ;;\nnever) cat"));
       },
       hx::RC_OK, "TVK_IBM_DB2|/opt/IBM/db2/V9.7\n" + c_Inst1Licences + c_Inst2Licence + c_Inst2Licence + c_Inst3Licence,
       {c_Scan + "Running 'db2ls -c -p -q -b /opt/IBM/db2/V9.7' failed with exit code 1."}},
  };
  for (const CaseT& c : cases) {
    const ScanT scan = Scan(c.args, c.change);
    EXPECT_EQ(scan.rc, c.rc) << c.what;
    EXPECT_EQ(scan.names, c.names) << c.what;
    for (const std::string& line : c.logged) {
      if (line[0] == '!') EXPECT_FALSE(hxtest::Contains(scan.log, line.substr(1))) << c.what << "\n" << scan.log;
      else EXPECT_TRUE(hxtest::Contains(scan.log, line)) << c.what << "\n" << scan.log;
    }
  }
}

}  // namespace
