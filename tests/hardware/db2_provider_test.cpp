// The DB2 provider on copies of the db2-solaris fixture machine (db2inst2's home given to
// another user), each changed by a shell snippet the way one case needs: what it reports,
// what it logs, and whose password goes to su.

#include "hardware/HardwareTestSupport.h"
#include "hardware/unix/HWClass_UnixIBMDB2.h"
#include "prefs/PrefsTestSupport.h"

namespace {

const std::string c_Machine = HX_SOURCE_DIR "/tests/fixtures/machines/db2-solaris";
constexpr const char* c_Scan = "ERROR during DB2 scan: ";

// names: "Class|Name" of each instance, one a line
struct ScanT { hx::ResultT rc = hx::RC_OK; std::string names; std::string log; };

ScanT Scan(const std::string& db2users, const std::string& change) {
  hxprefs::LoadC load("", "hxdb2");
  EXPECT_EQ(load.Load({"-o", "db2users=" + db2users}), hx::RC_OK);
  hxtest::TempDirC root("hxdb2-machine");
  hxtest::CopyTree(c_Machine, root.Path());
  // tool <path> <body>: replaces a tool of the machine.
  const std::string prelude = "tool() { printf '#!/bin/sh\\n%s\\n' \"$2\" > \"$1\"; }\nchown 65534 export/home/db2inst2\n";
  hxtest::ChildC shell(CommandLineC{"/bin/sh", "-c", prelude + change});
  shell.WorkingDirectory(root.Path());
  EXPECT_EQ(shell.Start(), hx::RC_OK);
  EXPECT_EQ(shell.Finish(), 0u) << change << shell.Err();
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

const std::string c_Installation1 =
    "TVK_IBM_DB2|/opt/IBM/db2/V9.7\nTVK_IBM_DB2_PRODUCT|/opt/IBM/db2/V9.7:0\nTVK_IBM_DB2_PRODUCT|/opt/IBM/db2/V9.7:1\n";
const std::string c_Licences = "TVK_IBM_DB2_LICENCE|db2inst1:0\nTVK_IBM_DB2_LICENCE|db2inst1:1\n"
                               "TVK_IBM_DB2_LICENCE|db2inst2:0\nTVK_IBM_DB2_LICENCE|db2inst2:0\n"
                               "TVK_IBM_DB2_LICENCE|db2inst3:0\n";
const std::string c_All = c_Installation1 + "TVK_IBM_DB2|/opt/IBM/db2/V10.5\nTVK_IBM_DB2_PRODUCT|/opt/IBM/db2/V10.5:0\n" +
                          c_Licences;
// The tool of db2inst3 (who has no account, so /home/db2inst3) in a home of its own.
const std::string c_Inst3Tool =
    "mkdir -p home/db2inst3/sqllib/adm && cp export/home/db2inst2/sqllib/adm/db2licm home/db2inst3/sqllib/adm/ && "
    "chown 65534 home/db2inst3";

TEST(Db2Provider, ScanOutcomes) {
  HX_TEST_NEEDS_ROOT();
  // change: a shell snippet run at the machine's root; logged: what the DB2 scan logs; "!": no error at all
  const struct { std::string db2users, change; hx::ResultT rc; std::string names, logged; } cases[] = {
      // db2inst2 has its own password; db2inst3 uses the password alone.
      {"Shared-Pw%3,db2inst2:Inst2-Pw%7x", c_Inst3Tool, hx::RC_OK, c_All, "!"},
      {"db2inst2:wrong", "", hx::RC_OK, c_All,
       "Running '/export/home/db2inst2/sqllib/adm/db2licm -l' failed with exit code 1 when impersonating user "
       "'db2inst2'. No licence info will be available for user."},
      {"", "tool usr/bin/ps 'echo root sched'; rm usr/local/bin/db2ls", hx::RC_OK, "", "!"},
      {"", "tool usr/local/bin/db2ls 'exit 2'", 1, "",
       "There appears to be a DB2 installation and DB instances running but the command 'db2ls -c' fails."},
      {"", "tool usr/local/bin/db2ls 'echo /opt/db2:9.7'", hx::RC_FAIL, "",
       "Passed first line of output for command 'db2ls -c' and found no header"},
      {"", "tool usr/bin/ps 'echo /opt/db2sysc'", hx::RC_FAIL, "",
       "The row: '/opt/db2sysc' output by command 'ps -aeo user -o comm' is not in the expected format of "
       "<user><whitespace>:[<whitespace>]<executable/command>."},
      // An installation without a path keeps its running number as its name.
      {"", "tool usr/local/bin/db2ls 'printf \"#PATH:VRMF\\n:9.7\\n/opt/x:10\\n\"'", hx::RC_OK,
       "TVK_IBM_DB2|0\nTVK_IBM_DB2|/opt/x\nTVK_IBM_DB2_PRODUCT|/opt/x:0\nTVK_IBM_DB2_PRODUCT|/opt/x:1\n" + c_Licences,
       "Running '/home/db2inst3/sqllib/adm/db2licm -l' failed with exit code 3758096386 and no password is available"},
      // A product listing that fails ends the installations; the licences still come.
      {"", "sed -i 's|V9.7\") cat|V9.7\") exit 4 ;; never) cat|' usr/local/bin/db2ls", hx::RC_OK,
       "TVK_IBM_DB2|/opt/IBM/db2/V9.7\n" + c_Licences,
       "Running 'db2ls -c -p -q -b /opt/IBM/db2/V9.7' failed with exit code 1."},
  };
  for (const auto& c : cases) {
    const ScanT scan = Scan(c.db2users, c.change);
    EXPECT_EQ(scan.rc, c.rc) << c.change;
    EXPECT_EQ(scan.names, c.names) << c.change;
    if (c.logged == "!") EXPECT_FALSE(hxtest::Contains(scan.log, "ERROR")) << c.change << "\n" << scan.log;
    else EXPECT_TRUE(hxtest::Contains(scan.log, c_Scan + c.logged)) << c.change << "\n" << scan.log;
  }
}

}  // namespace
