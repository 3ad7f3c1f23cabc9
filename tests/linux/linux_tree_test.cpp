// The machine tree the Linux providers read through, and the text formats they
// read: a captured tree's links resolve inside it, absolute ones included, and
// nothing outside it or that another user may change is read.

#include "hardware/linux/LinuxTexts.h"
#include "hardware/linux/MachineTree.h"
#include "support/TestSupport.h"

namespace {

using hxlinux::MachineTreeC;

TEST(MachineTree, LinksResolveInsideTheRoot) {
  hxtest::TempDirC outside("hx-outside");
  outside.Write("etc/secret", "the build host's file");
  hxtest::TempDirC root("hx-machine");
  root.Write("sys/devices/pci0000:00/0000:00:03.0/net/eth0/address", "52:54:00:12:34:56\n");
  root.Write("etc/secret", "the machine's file");
  root.Mkdir("sys/class/net");
  struct LinkT {
    const char* at;
    std::string to;
  } links[] = {
      {"sys/class/net/eth0", "../../devices/pci0000:00/0000:00:03.0/net/eth0"},
      {"etc/absolute", "/etc/secret"},  // the captured machine's /etc
      {"etc/climbing", "../../../../../../etc/secret"},
      {"etc/elsewhere", outside.File("etc/secret")},  // the build host's path: not there inside
      {"etc/loop", "loop"},
  };
  for (const LinkT& l : links) ASSERT_EQ(::symlink(l.to.c_str(), root.File(l.at).c_str()), 0) << l.at;
  ASSERT_EQ(::mkfifo(root.File("etc/fifo").c_str(), 0600), 0);
  ::chmod(root.Write("etc/shared", "anyone may write here").c_str(), 0666);

  const MachineTreeC tree(root.Path());
  for (const bool byHand : {false, true}) {
    SCOPED_TRACE(byHand ? "resolved by hand" : "resolved by the kernel");
    MachineTreeC::ResolveByHand(byHand);
    struct CaseT {
      const char* path;
      const char* read;
    } cases[] = {
        {"/sys/class/net/eth0/address", "52:54:00:12:34:56"},
        {"/etc/absolute", "the machine's file"},
        {"/etc/climbing", "the machine's file"},  // ".." stops at the root: /etc/secret again
        {"/etc/elsewhere", ""},
        {"/../../etc/secret", "the machine's file"},
        {"/etc/loop", ""},
        {"/etc/fifo", ""},    // never opened for reading, never waited on
        {"/etc/shared", ""},  // another user could have written it
        {"/etc/missing", ""},
    };
    for (const CaseT& c : cases) EXPECT_EQ(tree.Value(c.path), c.read) << c.path;
    EXPECT_EQ(tree.LinkName("/sys/class/net/eth0"), "eth0");
    EXPECT_EQ(tree.List("/sys/class/net"), std::vector<std::string>{"eth0"});
    EXPECT_TRUE(tree.IsDirectory("/sys/class/net/eth0"));
  }
  MachineTreeC::ResolveByHand(false);
  // The live host's kernel files are read whoever owns them (a process's belong
  // to its user).
  EXPECT_FALSE(MachineTreeC("").Value("/proc/self/status").empty());
}

TEST(LinuxTexts, OsReleaseMeminfoAndBootTime) {
  const auto release = hxlinux::ParseOsRelease(
      "# comment\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME='Debian "
      "GNU/Linux'\nVERSION_ID=12\n"
      "QUOTED=\"a \\\"b\\\" \\\\ \\$c\"\nlower=case\n=empty\nnot an "
      "assignment\n");
  EXPECT_EQ(release, (std::map<std::string, std::string>{{"PRETTY_NAME", "Debian GNU/Linux 12 (bookworm)"},
                                                         {"NAME", "Debian GNU/Linux"},
                                                         {"VERSION_ID", "12"},
                                                         {"QUOTED", "a \"b\" \\ $c"}}));
  const std::string meminfo =
      "MemTotal:       16303428 kB\nMemFree:         "
      "1234 kB\nMemAvailableX: 1 kB\n";
  EXPECT_EQ(hxlinux::MeminfoBytes(meminfo, "MemTotal"), 16303428LL * 1024);
  EXPECT_EQ(hxlinux::MeminfoBytes(meminfo, "MemAvailable"), -1);
  EXPECT_EQ(hxlinux::BootTime("cpu  1 2 3\nbtime 1733475600\nprocesses 9\n"), 1733475600);
  EXPECT_EQ(hxlinux::BootTime("btimex 5\n"), -1);
}

}  // namespace
