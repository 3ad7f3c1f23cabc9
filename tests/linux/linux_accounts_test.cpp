// The processes, accounts and groups of a machine tree made here, and the live
// host's processes: no kernel thread, no process id, one instance per program
// and user, accounts and groups as the local files list them.

#include <unistd.h>

#include <regex>

#include "hardware/HardwareTestSupport.h"
#include "hardware/linux/HWClass_LinuxGroup.h"
#include "hardware/linux/HWClass_LinuxProcess.h"
#include "hardware/linux/HWClass_LinuxUserAccount.h"
#include "hardware/linux/LinuxAccountTexts.h"

namespace {

template <typename FactoryT, typename ProviderT>
std::string Instances(const char* className) {
  hxhw::ProviderC<FactoryT, ProviderT> provider;
  HWInstanceListT instances;
  EXPECT_EQ(provider->GetInventory(instances, className, PropertyMap()), hx::RC_OK);
  // Empty values, which are never written.
  return std::regex_replace(hxhw::InstancesText(instances), std::regex("  \\w+=\n"), "");
}

std::string Processes() { return Instances<TrkTrackLinuxProcessFactoryC, HWClass_LinuxProcess>("TVK_Process"); }

TEST(LinuxProcesses, UserSpaceProgramsByCommandAndUser) {
  HX_TEST_NEEDS_ROOT();
  hxtest::TempDirC root("hx-proc");
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root.Path().c_str());
  root.Write("etc/passwd", "root:x:0:0::/root:/bin/sh\nalice:x:1000:1000::/home/alice:/bin/bash\n");
  // pid, command, flags, "Uid:" line, executable
  const char* const processes[][5] = {
      {"1", "systemd", "4194560", "0\t0\t0\t0", "/usr/lib/systemd/systemd"},
      {"2", "kthreadd", "2129984", "0\t0\t0\t0", ""},
      {"40", "kworker/0:1-events", "69238880", "0\t0\t0\t0", ""},
      {"900", "bash", "4194560", "0\t1000\t1000\t1000", "/usr/bin/bash"},
      {"901", "bash", "4194560", "1000\t1000\t1000\t1000", "/usr/bin/bash"},
      {"902", "bash", "4194560", "4242\t4242\t4242\t4242", "/usr/bin/bash"},
      {"903", "a) (b", "4194304", "1000\t1000\t1000\t1000", ""},
  };
  for (const auto& p : processes) {
    const std::string dir = std::string("proc/") + p[0] + "/";
    root.Write(dir + "stat", std::string(p[0]) + " (" + p[1] + ") S 1 1 1 0 -1 " + p[2] + " 0 0 0 0 0 0 0 0 20 0 1\n");
    root.Write(dir + "status", std::string("Name:\tUid:\nUid:\t") + p[3] + "\n");
    if (*p[4] != '\0') {
      ASSERT_EQ(::symlink(p[4], root.File(dir + "exe").c_str()), 0);
    }
  }
  root.Write("proc/self/stat", "1 (self) S 0 0 0 0 -1 0\n");
  EXPECT_EQ(Processes(),
            "TVK_Process|a) (b|\n  User=alice\n"
            "TVK_Process|bash|\n  ExecutablePath=/usr/bin/bash\n  User=4242\n"
            "TVK_Process|bash|\n  ExecutablePath=/usr/bin/bash\n  User=alice\n"
            "TVK_Process|systemd|\n  ExecutablePath=/usr/lib/systemd/systemd\n  User=root\n");
}

// On the live host: this process with its executable, and never a kernel thread.
TEST(LinuxProcesses, LiveHost) {
  char self[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string text = Processes();
  EXPECT_TRUE(hxtest::Contains(text, "TVK_Process|test_linux|\n  ExecutablePath=" + std::string(self) + "\n"));
  EXPECT_FALSE(hxtest::Contains(text, "|kthreadd|"));
  EXPECT_FALSE(hxtest::Contains(text, "|kworker"));
}

// As an ordinary user: root's processes without their executables, which only root may read.
TEST(LinuxProcesses, OrdinaryUserLeavesOutOtherUsersExecutables) {
  HX_TEST_NEEDS_ATTACKER(uid);
  // 1: no process of root's without its executable; 2: not noted as needing root.
  const int result = hxtest::AsUser(uid, [] {
    if (!hxtest::Contains(Processes(), "|\n  User=root\n")) return 1;
    return HWClass_Linux::TakeRootNotes() == "the executables of other users' processes" ? 0 : 2;
  });
  EXPECT_EQ(result, 0);
}

TEST(LinuxAccounts, LocalAccountsAndGroups) {
  HX_TEST_NEEDS_ROOT();
  hxtest::TempDirC root("hx-accounts");
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root.Path().c_str());
  root.Write("etc/passwd",
             "root:x:0:0:root:/root:/bin/bash\n# comment\n\n  alice:x:1000:1000:Alice,,,:/home/alice:/bin/zsh\n"
             "svc:x:998:4242::/nonexistent\nodd:x:7:0::/:/opt/a:b\nbad:x:-1:1::/:/bin/sh\nbig:x:4294967296:1::/:\n"
             "+@nis::::::\n:x:5:5::/:\n");
  root.Write("etc/group", "root:x:0:\nalice:*:1000:\nwheel:x:10: alice , root,,\nnogid:x::\n");
  root.Write("etc/shells", "# /etc/shells\n/bin/sh\n/bin/bash # the default\n");
  const std::string accounts =
      "TVK_UserAccount|root|\n  HomeDirectory=/root\n  Name=root\n  PrimaryGroup=root\n  Shell=/bin/bash\n"
      "  ShellListed=TRUE\n  UID=0\n"
      "TVK_UserAccount|alice|\n  HomeDirectory=/home/alice\n  Name=alice\n  PrimaryGroup=alice\n  Shell=/bin/zsh\n"
      "  ShellListed=FALSE\n  UID=1000\n"
      "TVK_UserAccount|svc|\n  HomeDirectory=/nonexistent\n  Name=svc\n  PrimaryGroup=4242\n  UID=998\n"
      "TVK_UserAccount|odd|\n  HomeDirectory=/\n  Name=odd\n  PrimaryGroup=root\n  Shell=/opt/a:b\n"
      "  ShellListed=FALSE\n  UID=7\n";
  EXPECT_EQ((Instances<TrkTrackLinuxUserAccountFactoryC, HWClass_LinuxUserAccount>("TVK_UserAccount")), accounts);
  EXPECT_EQ((Instances<TrkTrackLinuxGroupFactoryC, HWClass_LinuxGroup>("TVK_Group")),
            "TVK_Group|root|\n  GID=0\n  Name=root\nTVK_Group|alice|\n  GID=1000\n  Name=alice\n"
            "TVK_Group|wheel|\n  GID=10\n  Members=alice;root\n  Name=wheel\n");
  // Without /etc/shells nothing is said of the shells.
  ::unlink(root.File("etc/shells").c_str());
  EXPECT_EQ((Instances<TrkTrackLinuxUserAccountFactoryC, HWClass_LinuxUserAccount>("TVK_UserAccount")),
            hx::ReplaceAll(hx::ReplaceAll(accounts, "  ShellListed=FALSE\n", ""), "  ShellListed=TRUE\n", ""));
}

TEST(LinuxAccountTexts, ProcessFilesThatDoNotParse) {
  hxlinux::ProcStatT stat;
  uint32_t uid = 0;
  for (const char* text : {"", "1 (x", "1 x) S 1", "1 (x) S 1 1 1 0 -1", "1 (x) S p 1 1 0 -1 0"})
    EXPECT_FALSE(hxlinux::ParseProcStat(text, stat)) << text;
  for (const char* text : {"", "Uid:\t0\n", "Uid:\t0\t-1\t0\t0\n", "Gid:\t0\t0\t0\t0\n"})
    EXPECT_FALSE(hxlinux::StatusEffectiveUid(text, uid)) << text;
}

}  // namespace
