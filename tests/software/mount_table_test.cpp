#include "platform/MountTable.h"
#include "support/TestSupport.h"

namespace {

using hx::MountEntryT;

std::string Show(const std::vector<MountEntryT>& entries) {
  std::string out;
  for (const MountEntryT& e : entries) out += "[" + e.special + "|" + e.mountPoint + "|" + e.type + "|" + e.options + "]";
  return out;
}

TEST(MountTableTest, ParsesBothTableForms) {
  struct CaseT { bool mnttab; std::string text; std::string expected; } cases[] = {
      // Solaris: tabs only, a blank belongs to the field, no escapes.
      {true, "swap\t/my dir\ttmpfs\txattr\t1\nproc\t/proc\tproc", "[swap|/my dir|tmpfs|xattr][proc|/proc|proc|]"},
      {true, "host:/export\t/a\\040b\tnfs\n", "[host:/export|/a\\040b|nfs|]"},
      {true, "short\tline\n\n\t\t\n", ""},
      // Linux: blanks separate, octal escapes decode, other backslashes stay.
      {false, "overlay /mnt/a\\040b\\011c overlay rw 0 0", "[overlay|/mnt/a b\tc|overlay|rw]"},
      {false, "x /a\\134b\\n\\0401\\400 t", "[x|/a\\b\\n 1\\400|t|]"},
      {false, "trailing /t\\04 t\none two\n", "[trailing|/t\\04|t|]"},
  };
  for (const CaseT& c : cases) {
    EXPECT_EQ(Show(c.mnttab ? hx::ParseMnttab(c.text) : hx::ParseProcMounts(c.text)), c.expected) << c.text;
  }
}

TEST(MountTableTest, ClassifiesBySpecialDeviceAndType) {
  struct CaseT { const char* special; const char* type; bool block; uint32_t flags; } cases[] = {
      {"/proc", "PROC", false, hx::FS_PROCESS},       {"//server/share", "smbfs", false, hx::FS_NETWORK},
      {"/dev/dsk/c0t0d0s0", "ufs", true, hx::FS_LOCAL_BLOCK},
      {"/dev/sr0", "HSFS", true, hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE},
      {"/dev/sr0", "udf", true, hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE}, {"/export/home", "lofs", false, 0},
      {"nfshost:/export", "nfs", false, hx::FS_NETWORK}, {":/leading", "nfs", false, 0}, {"overlay", "overlay", false, 0},
  };
  for (const CaseT& c : cases) EXPECT_EQ(hx::ClassifyMount({c.special, "/m", c.type, ""}, c.block), c.flags) << c.special;
}

// Under a system root only the root's tables count: its /etc/mnttab, else its /proc/self/mounts,
// else none (never the host's).
TEST(MountTableTest, ReadsTheTablesBelowTheSystemRoot) {
  hxtest::TempDirC root("hx-mounts");
  hxtest::ScopedEnvC env("TARVOSKSYSROOT", root.Path().c_str());
  hx::OSFileSystemCollectionC mounts;
  EXPECT_NE(mounts.Read(), hx::RC_OK);
  root.Write("proc/self/mounts", "nfshost:/x /net nfs rw 0 0\nproc /proc proc rw 0 0\n");
  ASSERT_EQ(mounts.Read(), hx::RC_OK);
  ASSERT_EQ(mounts.Entries().size(), 2u);
  EXPECT_EQ(mounts.Entries()[0].flags, hx::FS_NETWORK);
  root.Write("etc/mnttab", "/dev/null\t/\tufs\trw\t0\n");
  ASSERT_EQ(mounts.Read(), hx::RC_OK);
  ASSERT_EQ(mounts.Entries().size(), 1u);
  EXPECT_EQ(mounts.Entries()[0].flags, 0u) << "a character device is no block device";
}

}  // namespace
