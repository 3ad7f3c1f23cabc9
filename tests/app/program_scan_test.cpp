// The program bin/hxtrack scanning a directory tree as the README shows it: the file entities
// against md5sum and stat on a tree that holds hostile names too, what the rules leave out, a
// scan by an ordinary user, and a delta after files changed. Inventories are read back with
// expat, so each test also shows the document is well-formed.

#include <expat.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "tests/app/AppTestSupport.h"
#include "software/TrkFileReader.h"
#include "tests/software/SoftwareTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::RunProgram;

struct ContentT { std::string md5, size, section; bool embedded = false; };

// The Content elements of a document by Path (and the delta section each stands in); false
// when the document is not well-formed.
struct ContentsC {
  bool Read(const std::string& xml) {
    XML_Parser p = XML_ParserCreate("UTF-8");
    XML_SetUserData(p, this);
    XML_SetStartElementHandler(p, [](void* self, const char* tag, const char** atts) {
      auto* me = static_cast<ContentsC*>(self);
      std::map<std::string, std::string> a;
      for (; *atts != nullptr; atts += 2) a[atts[0]] = atts[1];
      const std::string t = tag;
      if (t == "Remove" || t == "Update" || t == "Add") me->section = t;
      if (t == "Content") me->last = ContentT{a["MD5"], a["Size"], me->section}, ++me->count;
      if (t == "Instance") me->byPath[me->path = a["Path"]] = me->last;
      if (t == "Value") me->byPath[me->path].embedded = true;
    });
    const bool ok = XML_Parse(p, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(p);
    return ok;
  }
  std::map<std::string, ContentT> byPath;
  ContentT last;
  std::string section, path;
  size_t count = 0;
};

// The first word a tool prints about a file (md5sum's digest, stat's size).
std::string ToolSays(const CommandLineC& command) {
  hxtest::ChildC tool(command);
  EXPECT_EQ(tool.Start(), hx::RC_OK);
  EXPECT_EQ(tool.Finish(), 0u);
  const StringArrayC words = hx::SplitBlanks(tool.Out());
  // md5sum starts the line with a backslash when the name holds a line feed.
  return words.empty() ? std::string() : hx::Trim(words[0].substr(words[0][0] == '\\' ? 1 : 0));
}

std::vector<std::string> ScanArgs(const std::string& tree, std::vector<std::string> more = {}) {
  more.insert(more.begin(), {"-o", "Hardware=False", "-o", "GenerateMD5=True", "-o", "Compress=False", "-o",
                             "IncludeDirectory=" + tree, "-o", "IncludeExtension=so"});
  return hxapp::QuietArgs(std::move(more));
}

// What an inventory's Path shows of a file name: tab, line feed and carriage return as blanks,
// each byte that is not part of valid UTF-8 as the ISO-8859-1 character of its value.
std::string Shown(const std::string& path) {
  std::string shown = hx::ToValidUtf8(path);
  for (char& c : shown) c = (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
  return shown;
}

// Every tracked file, hostile names (control characters, markup, bytes that are not UTF-8, the
// longest name, a 4,000-byte path, 300 levels) included, is walked, read, embedded and written
// as md5sum and stat see it; links, FIFOs, sockets, excluded directories and extensions and a
// memory file system are left out, and the FIFO is never opened.
TEST(ProgramScan, ContentsMatchTheSystemToolsWhateverTheNames) {
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  std::vector<std::string> tracked;
  std::string deep, longRel;
  for (int i = 0; i < 300; ++i) deep += "d/";
  while (tree.Path().size() + longRel.size() + 220 < 4000) longRel += std::string(200, 'l') + "/";
  longRel += std::string(4000 - tree.Path().size() - longRel.size() - 4, 'f') + ".so";
  for (const std::string& rel : {std::string("lib/a.so"), std::string("lib/new\nline\ttab\rcr.so"),
                                 std::string("mark&up<>\"'.so"), std::string("latin\xff\xe9.so"),
                                 std::string(252, 'n') + ".so", deep + "deep.so", longRel, std::string("closed/x.so")})
    tracked.push_back(tree.Write(rel, "content of " + rel.substr(0, 20)));
  tracked.push_back(tree.Write("lib/big.so", std::string(300000, 'z')));
  ASSERT_EQ(tracked[6].size(), 4000u);
  ASSERT_EQ(::chmod(tree.File("closed").c_str(), 0), 0);  // root reads it all the same
  tree.Write("lib/readme.txt", "extension not included");
  tree.Write("lib/skip/c.so", "excluded directory");
  ASSERT_EQ(::symlink(tracked[0].c_str(), tree.File("lib/link.so").c_str()), 0);
  ASSERT_EQ(::mkfifo(tree.File("lib/fifo.so").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", tree.File("lib/sock.so").c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const pid_t writer = ::fork();  // gets past its open only if somebody opens the FIFO to read
  if (writer == 0) ::_exit(::open(tree.File("lib/fifo.so").c_str(), O_WRONLY) >= 0 ? 0 : 1);
  hxtest::TempDirC shm("hxapp-shm", "/dev/shm");  // a second root, on tmpfs
  shm.Write("d.so", "on tmpfs");

  const hxapp::RunT run = RunProgram(dir, ScanArgs(tree.Path() + ";" + shm.Path(),
                                                   {"-o", "ExcludeDirectory=" + tree.File("lib/skip"), "-o",
                                                    "ExcludeEmbedFileContentDirectory=" + tree.File("lib/skip"), "-o",
                                                    "EmbedFileContentDirectory=" + tree.Path(), "-o",
                                                    "EmbedFileContentExtension=so"}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  EXPECT_EQ(::waitpid(writer, nullptr, WNOHANG), 0) << "the FIFO was opened";
  ::close(::open(tree.File("lib/fifo.so").c_str(), O_RDONLY | O_NONBLOCK));
  ::waitpid(writer, nullptr, 0);
  ::close(sock);
  ContentsC contents;
  ASSERT_TRUE(contents.Read(hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories")))));
  EXPECT_EQ(contents.count, tracked.size());
  for (const std::string& path : tracked) {
    const ContentT& c = contents.byPath[Shown(path)];
    EXPECT_EQ(c.md5, ToolSays(CommandLineC{"/usr/bin/md5sum", "--", path})) << Shown(path);
    EXPECT_EQ(c.size, ToolSays(CommandLineC{"/usr/bin/stat", "-c", "%s", "--", path})) << Shown(path);
    EXPECT_TRUE(c.embedded) << Shown(path);
  }
  EXPECT_TRUE(Contains(run.log, "of type 'tmpfs' will be excluded")) << run.log;
}

// Run by a user who may not read everything: a file it cannot read is tracked with the empty
// digest; a directory it cannot read is skipped.
TEST(ProgramScan, UnreadableFilesAsAnOrdinaryUser) {
  HX_TEST_NEEDS_ROOT();
  constexpr uid_t c_Nobody = 65534;
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  const std::string readable = tree.Write("pub/readable.so", "anyone may read this");
  const std::string secret = tree.Write("pub/secret.so", "root only");
  tree.Write("closed/hidden.so", "behind a closed directory");
  ASSERT_EQ(::chmod(secret.c_str(), 0600) + ::chmod(tree.Path().c_str(), 0755) + ::chmod(tree.File("closed").c_str(), 0700), 0);
  for (const std::string& p : {dir.Path(), tree.File("pub")}) ASSERT_EQ(::chown(p.c_str(), c_Nobody, c_Nobody), 0);

  const std::string ini = dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.File("server") + "\n");
  // In an IPC namespace of its own: root's lock is not an ordinary user's to take.
  CommandLineC command{"/usr/bin/unshare", "--ipc", "/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                       "--clear-groups", hxapp::c_Program};
  for (const std::string& a : ScanArgs(tree.Path(), {"-o", "Upload=False", "-o", "PluginDirectory=" + dir.File("none")}))
    command.Add(a);
  hxtest::ChildC child(command);
  child.Environment({"TARVOSKCONFIGINI=" + ini, "TARVOSKINSTALLDIR=" + std::string(hxapp::c_BinaryDir),
                     "TARVOSKDATADIR=" + dir.File("data"), "TARVOSKSYSROOT="});
  child.WorkingDirectory(dir.Path());
  ASSERT_EQ(child.Start(), hx::RC_OK);
  EXPECT_EQ(child.Finish(), 0u) << child.Err() << hxtest::ReadFile(dir.File("data/log/tracker.log"));
  ContentsC contents;
  ASSERT_TRUE(contents.Read(hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories")))));
  EXPECT_EQ(contents.count, 2u);
  EXPECT_EQ(contents.byPath[readable].md5, swtest::Md5Of("anyone may read this"));
  EXPECT_EQ(contents.byPath.count(secret), 1u);
  EXPECT_EQ(contents.byPath[secret].md5 + "|" + contents.byPath[secret].size, "|9");
}

// An ordinary user's deep tree (12 levels) under root's scans, three of its directories swapped
// for links to a root-only copy of them and back again and again while the scans walk: no
// inventory holds the digest or the content of the copy. A root-only file that the user
// hard-linked into the tree keeps its digest, but its content is not embedded.
TEST(ProgramScan, AUsersSwapsAndLinksCannotLeadTheScanOutOfItsTree) {
  HX_TEST_NEEDS_ATTACKER(attacker);
  constexpr int c_Depth = 12, c_Files = 20, c_Runs = 4;
  hxtest::TempDirC dir("hxapp-scan"), tree("hxapp-tree"), secret("hxapp-secret");
  std::string rel = ".";
  std::vector<std::string> swapped;
  for (int level = 1; level <= c_Depth; ++level) {
    rel += "/d" + std::to_string(level);
    for (int f = 0; f < c_Files; ++f) tree.Write(rel + "/f" + std::to_string(f) + ".swidtag", "inside " + rel);
    if (level % 4 == 2) swapped.push_back(tree.File(rel));
  }
  for (int f = 0; f < c_Files; ++f) ::chmod(secret.Write("f" + std::to_string(f) + ".swidtag", "ROOT SECRET").c_str(), 0600);
  ASSERT_EQ(::link(secret.Write("key.swidtag", "ROOT KEY").c_str(), tree.File("d1/key.swidtag").c_str()), 0);
  ::chmod(secret.File("key.swidtag").c_str(), 0600);
  for (const auto& e : std::filesystem::recursive_directory_iterator(tree.Path()))
    if (e.path().filename() != "key.swidtag") ::lchown(e.path().c_str(), attacker, attacker);
  ::chown(tree.Path().c_str(), attacker, attacker);

  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  int swaps = 0;
  std::thread swapper([&] {
    swaps = hxtest::AsUser(attacker, [&] {
      // Nothing of the runs' output pipes may stay open here: their readers wait for the end.
      for (int fd = 3; fd < 1024; ++fd)
        if (fd != stop[0]) ::close(fd);
      int n = 0;
      for (struct pollfd p {stop[0], POLLIN, 0}; ::poll(&p, 1, 0) == 0; ++n) {
        const std::string& d = swapped[n % swapped.size()];
        ::rename(d.c_str(), (d + ".away").c_str());
        ::symlink(secret.Path().c_str(), d.c_str());
        ::usleep(300);
        ::unlink(d.c_str());
        ::rename((d + ".away").c_str(), d.c_str());
      }
      return std::min(n, 250);
    });
  });
  const std::vector<std::string> args = ScanArgs(tree.Path(), {"-o", "IncludeExtension=swidtag", "-o",
                                                               "EmbedFileContentDirectory=" + tree.Path(), "-o",
                                                               "Upload=False", "-o", "DigestCache=False"});
  std::vector<std::string> inventories;
  for (int run = 0; run < c_Runs; ++run) {
    ASSERT_EQ(RunProgram(dir, args).exitCode, 0u);
    inventories.push_back(hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories"))));
  }
  ::close(stop[1]);
  swapper.join();
  ::close(stop[0]);
  EXPECT_GE(swaps, 50);
  const std::string key = tree.File("d1/key.swidtag");
  for (const std::string& inventory : inventories) {
    ContentsC contents;
    ASSERT_TRUE(contents.Read(inventory));
    EXPECT_FALSE(Contains(inventory, swtest::Md5Of("ROOT SECRET")));
    EXPECT_FALSE(Contains(inventory, trk::Base64Encode("ROOT SECRET")));
    EXPECT_FALSE(Contains(inventory, trk::Base64Encode("ROOT KEY")));
    EXPECT_EQ(contents.byPath[key].md5, swtest::Md5Of("ROOT KEY"));
    EXPECT_FALSE(contents.byPath[key].embedded);
  }
}

// A delta after one file's content changed and another was only touched holds exactly those:
// digest and size are a file's identity, its time stamp is what an update changes.
TEST(ProgramScan, DeltaAfterFilesChanged) {
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  tree.Write("keep.so", "unchanged content");
  const std::string changed = tree.Write("changed.so", "first content");
  const std::string touched = tree.Write("touched.so", "touched content");
  hxapp::RunT run = RunProgram(dir, ScanArgs(tree.Path()));
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const std::string server = dir.File("server/Inventories");
  const std::vector<std::string> first = hxapp::FilesIn(server);
  ASSERT_EQ(first.size(), 1u);

  hxtest::WriteFile(changed, "second, longer content");
  hxtest::SetModified(touched, -5);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a new DateTime, so a new name
  run = RunProgram(dir, ScanArgs(tree.Path(), {"-o", "Difference=True"}));
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const std::vector<std::string> now = hxapp::FilesIn(server);
  ASSERT_EQ(now.size(), 2u);
  const std::string delta = hxtest::ReadFile(server + "/" + (now[0] == first[0] ? now[1] : now[0]));
  ContentsC contents;
  ASSERT_TRUE(contents.Read(delta)) << delta;
  EXPECT_EQ(contents.count, 3u) << delta;
  EXPECT_EQ(contents.byPath[touched].section, "Update") << delta;
  // The changed file stands twice under its path: its old form removed, its new form added.
  EXPECT_TRUE(Contains(delta, "<Remove>\n\t\t<Content MD5=\"" + swtest::Md5Of("first content") + "\" Size=\"13\">")) << delta;
  EXPECT_EQ(contents.byPath[changed].section + contents.byPath[changed].md5, "Add" + swtest::Md5Of("second, longer content"));
}

}  // namespace
