// The program bin/hxtrack scanning a directory tree as the README shows it: the file entities
// checked against md5sum and stat, what the rules leave out, deltas after files changed, and a
// tree of hostile names read back with an XML parser.

#include <gtest/gtest.h>

#include <expat.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <thread>

#include "foundation/core/Md5.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;
using hxapp::QuietArgs;
using hxapp::RunProgram;

struct ContentT {
  std::string md5, size, dateTime, section;
  bool embedded = false;
};

// The Content elements of an inventory (or delta) by Path, read with expat; false when the
// document is not well-formed.
class ContentsC {
 public:
  bool Read(const std::string& xml) {
    XML_Parser p = XML_ParserCreate("UTF-8");
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, &Start, &End);
    const bool ok = XML_Parse(p, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(p);
    return ok;
  }
  std::map<std::string, ContentT> byPath;
  size_t count = 0;

 private:
  static std::string Attr(const char** atts, const char* name) {
    for (; *atts != nullptr; atts += 2)
      if (std::string(atts[0]) == name) return atts[1];
    return "";
  }
  static void XMLCALL Start(void* self, const char* name, const char** atts) {
    auto* me = static_cast<ContentsC*>(self);
    const std::string tag = name;
    if (tag == "Remove" || tag == "Update" || tag == "Add") me->section_ = tag;
    if (tag == "Content") {
      me->current_ = ContentT{Attr(atts, "MD5"), Attr(atts, "Size"), "", me->section_};
      ++me->count;
    }
    if (tag == "Instance") {
      me->current_.dateTime = Attr(atts, "DateTime");
      me->path_ = Attr(atts, "Path");
    }
    if (tag == "Value") me->current_.embedded = true;
  }
  static void XMLCALL End(void* self, const char* name) {
    auto* me = static_cast<ContentsC*>(self);
    if (std::string(name) == "Content") me->byPath[me->path_] = me->current_;
  }
  std::string section_, path_;
  ContentT current_;
};

// The first word a tool prints about a file (md5sum's digest, stat's size).
std::string ToolSays(const CommandLineC& command) {
  hxtest::ChildC tool(command);
  EXPECT_EQ(tool.Start(), hx::RC_OK);
  EXPECT_EQ(tool.Finish(), 0u);
  const StringArrayC words = hx::SplitBlanks(tool.Out());
  return words.empty() ? std::string() : hx::Trim(words[0]);
}

// A writer waiting on a FIFO: it gets through only if somebody opens the FIFO for reading.
class FifoWriterC {
 public:
  FifoWriterC(const std::string& fifo, const std::string& mark) : fifo_(fifo) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(fifo.c_str(), O_WRONLY);
      if (fd >= 0) hxtest::WriteFile(mark, "opened");
      ::_exit(0);
    }
  }
  ~FifoWriterC() {
    const int fd = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);  // lets the writer go
    ::waitpid(pid_, nullptr, 0);
    if (fd >= 0) ::close(fd);
  }

 private:
  std::string fifo_;
  pid_t pid_;
};

std::string Md5Text(const std::string& bytes) {
  MD5C md5;
  std::string hex;
  EXPECT_EQ(md5.Update(bytes), hx::RC_OK);
  EXPECT_EQ(md5.Final(&hex), hx::RC_OK);
  return hex;
}

std::vector<std::string> ScanArgs(std::vector<std::string> more) {
  more.insert(more.begin(), {"-o", "Hardware=False", "-o", "GenerateMD5=True", "-o", "Compress=False"});
  return QuietArgs(std::move(more));
}

TEST(ProgramScan, ContentsMatchTheSystemTools) {
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  std::vector<std::string> tracked;
  for (const char* rel : {"lib/a.so", "lib/sub/b.so", "bin/tool.so", "lib/big.so"}) {
    const std::string content = std::string(rel) == "lib/big.so" ? std::string(300000, 'z') : std::string("data of ") + rel;
    tracked.push_back(tree.Write(rel, content));
  }
  tree.Write("lib/readme.txt", "extension not included");
  tree.Write("lib/skip/c.so", "excluded directory");
  ASSERT_EQ(::symlink(tracked[0].c_str(), tree.File("lib/link.so").c_str()), 0);
  ASSERT_EQ(::mkfifo(tree.File("lib/fifo.so").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", tree.File("lib/sock.so").c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  FifoWriterC writer(tree.File("lib/fifo.so"), dir.File("fifo-opened"));
  // A second root on a memory file system, which is not walked unless its type is listed.
  hxtest::TempDirC shm("hxapp-shm", "/dev/shm");
  if (shm.ok()) shm.Write("d.so", "on tmpfs");

  const hxapp::RunT run = RunProgram(dir, ScanArgs({"-o", "IncludeDirectory=" + tree.Path() + ";" + shm.Path(), "-o",
                                                    "IncludeExtension=so", "-o",
                                                    "ExcludeDirectory=" + tree.File("lib/skip")}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  ::close(sock);
  ContentsC contents;
  ASSERT_TRUE(contents.Read(hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories")))));
  EXPECT_EQ(contents.count, tracked.size());
  for (const std::string& path : tracked) {
    const ContentT& c = contents.byPath[path];
    EXPECT_EQ(c.md5, ToolSays(CommandLineC{"/usr/bin/md5sum", path})) << path;
    EXPECT_EQ(c.size, ToolSays(CommandLineC{"/usr/bin/stat", "-c", "%s", path})) << path;
    EXPECT_EQ(c.dateTime.size(), 15u) << path;
  }
  EXPECT_FALSE(hxtest::Contains(hxtest::ReadFile(dir.File("fifo-opened")), "opened")) << "a FIFO is never opened";
  if (shm.ok()) {
    EXPECT_TRUE(Contains(run.log, "of type 'tmpfs' will be excluded")) << run.log;
  }
  EXPECT_TRUE(Contains(run.log, "Finished tracking software")) << run.log;
}

// A delta after one file's content changed and another was only touched holds exactly those:
// digest and size are a file's identity, its time stamp is what an update changes.
TEST(ProgramScan, DeltaAfterFilesChanged) {
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  tree.Write("keep.so", "unchanged content");
  const std::string changed = tree.Write("changed.so", "first content");
  const std::string touched = tree.Write("touched.so", "touched content");
  const std::vector<std::string> args = ScanArgs({"-o", "IncludeDirectory=" + tree.Path(), "-o", "IncludeExtension=so"});
  hxapp::RunT run = RunProgram(dir, args);
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  const std::string server = dir.File("server/Inventories");
  const std::vector<std::string> first = FilesIn(server);
  ASSERT_EQ(first.size(), 1u);

  hxtest::WriteFile(changed, "second, longer content");
  hxtest::SetModified(touched, -5);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a new DateTime, so a new name
  std::vector<std::string> deltaArgs = args;
  deltaArgs.insert(deltaArgs.end(), {"-o", "Difference=True"});
  run = RunProgram(dir, deltaArgs);
  ASSERT_EQ(run.exitCode, 0u) << run.log;
  std::vector<std::string> now = FilesIn(server);
  ASSERT_EQ(now.size(), 2u);
  const std::string delta = hxtest::ReadFile(server + "/" + (now[0] == first[0] ? now[1] : now[0]));
  ContentsC contents;
  ASSERT_TRUE(contents.Read(delta)) << delta;
  EXPECT_TRUE(Contains(delta, "Type=\"Difference\"")) << delta;
  EXPECT_EQ(contents.count, 3u) << delta;
  EXPECT_EQ(hxtest::Count(delta, "<Content "), 3u) << delta;
  EXPECT_EQ(contents.byPath[touched].section, "Update") << delta;
  // The changed file stands twice under its path: its old form removed, its new form added.
  EXPECT_TRUE(Contains(delta, "<Remove>\n\t\t<Content MD5=\"" + Md5Text("first content") + "\" Size=\"13\">"))
      << delta;
  EXPECT_EQ(contents.byPath[changed].section, "Add") << delta;
  EXPECT_EQ(contents.byPath[changed].md5, Md5Text("second, longer content")) << delta;
}

// What an inventory's Path shows of a file name: tab, line feed and carriage return as blanks,
// every byte that is not part of valid UTF-8 as the ISO-8859-1 character of its value.
std::string Shown(const std::string& path) {
  std::string shown = hx::ToValidUtf8(path);
  for (char& c : shown) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return shown;
}

// Names no file system forbids: control characters, markup, bytes that are not UTF-8, the
// longest name, a 4,000-byte path and a tree 300 levels deep. Every file is walked, read and
// written, and the inventory stays well-formed.
TEST(ProgramScan, HostileNamesKeepTheInventoryWellFormed) {
  constexpr int c_Depth = 300;
  constexpr size_t c_LongPath = 4000;
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  std::map<std::string, std::string> files;  // path -> content
  auto add = [&](const std::string& rel, const std::string& content) { files[tree.Write(rel, content)] = content; };
  for (const char* name : {"new\nline.so", "tab\there.so", "cr\rhere.so", "mark&up<>\"'.so", "latin\xff\xe9.so"})
    add(name, std::string("content of ") + name);
  add(std::string(252, 'n') + ".so", "longest name");
  add("binary.so", std::string("<&\0\x01]]>", 8));
  std::string deep;
  for (int i = 0; i < c_Depth; ++i) deep += "d/";
  add(deep + "deep.so", "300 levels down");
  std::string longRel;
  while (tree.Path().size() + longRel.size() + 220 < c_LongPath) longRel += std::string(200, 'l') + "/";
  longRel += std::string(c_LongPath - tree.Path().size() - longRel.size() - 4, 'f') + ".so";
  add(longRel, "a long path");
  ASSERT_EQ(tree.File(longRel).size(), c_LongPath);
  const std::string unreadable = tree.Write("closed/inside.so", "in a directory nobody may read");
  files[unreadable] = "in a directory nobody may read";  // root reads it all the same
  ASSERT_EQ(::chmod(tree.File("closed").c_str(), 0), 0);

  const hxapp::RunT run = RunProgram(dir, ScanArgs({"-o", "IncludeDirectory=" + tree.Path(), "-o", "IncludeExtension=so",
                                                    "-o", "EmbedFileContentDirectory=" + tree.Path(), "-o",
                                                    "EmbedFileContentExtension=so"}));
  EXPECT_EQ(run.exitCode, 0u) << run.log;
  ContentsC contents;
  ASSERT_TRUE(contents.Read(hxtest::ReadFile(hxapp::OnlyFile(dir.File("data/tracker/inventories")))));
  EXPECT_EQ(contents.count, files.size());
  for (const auto& [path, content] : files) {
    const ContentT& c = contents.byPath[Shown(path)];
    EXPECT_EQ(c.md5, Md5Text(content)) << Shown(path);
    EXPECT_EQ(c.size, std::to_string(content.size())) << Shown(path);
    EXPECT_TRUE(c.embedded) << Shown(path);
  }
}

// Run by a user who may not read everything: a file it cannot read is still tracked, with the
// empty digest; a directory it cannot read is skipped.
TEST(ProgramScan, UnreadableFilesAsAnOrdinaryUser) {
  HX_TEST_NEEDS_ROOT();
  constexpr uid_t c_Nobody = 65534;
  hxtest::TempDirC dir("hxapp-scan");
  hxtest::TempDirC tree("hxapp-tree");
  const std::string readable = tree.Write("pub/readable.so", "anyone may read this");
  const std::string secret = tree.Write("pub/secret.so", "root only");
  tree.Write("closed/hidden.so", "behind a closed directory");
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  ASSERT_EQ(::chmod(tree.File("closed").c_str(), 0700), 0);
  for (const std::string& p : {dir.Path(), tree.Path(), tree.File("pub")}) ASSERT_EQ(::chown(p.c_str(), c_Nobody, c_Nobody), 0);
  ASSERT_EQ(::chmod(tree.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(readable.c_str(), 0644), 0);

  const std::string ini = dir.Write("tarvosk.ini", "[Tarvosk]\nServerLocation=" + dir.File("server") + "\nPluginDirectory=" +
                                                       dir.File("plugins") + "\n");
  CommandLineC command{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", hxapp::c_Program};
  for (const std::string& a : ScanArgs({"-o", "IncludeDirectory=" + tree.Path(), "-o", "IncludeExtension=so", "-o",
                                        "Upload=False"}))
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
  EXPECT_EQ(contents.byPath[readable].md5, Md5Text("anyone may read this"));
  EXPECT_EQ(contents.byPath.count(secret), 1u);
  EXPECT_EQ(contents.byPath[secret].md5, "");
  EXPECT_EQ(contents.byPath[secret].size, "9");
}

}  // namespace
