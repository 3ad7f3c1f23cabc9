// Staging an inventory for upload: the gzip copy, the choice of the upload directory and the
// loading of the uploader library.

#include "app/staging/DynLoad.h"
#include "app/staging/TrkStagingMessages.h"
#include "app/staging/UplUploader.h"
#include "foundation/messages/Errors.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::InProcessC;

constexpr const char* c_ChildVariable = "HXAPP_SEARCH_PATH_CHILD";
constexpr const char* c_ChildTest = "UploaderLoading.SearchPathChild";

// The gzip copy across several reads, into a directory it makes; what cannot be read or written
// reports the compression message.
TEST(InventoryCompression, GzipCopiesAndFailures) {
  std::string pattern;
  for (size_t i = 0; i < 5000; ++i) pattern += static_cast<char>('a' + (i * 7 + i / 13) % 26);
  InProcessC p;
  ASSERT_EQ(p.Load(), hx::RC_OK);
  const std::string source = p.Dir().Write("source.hxi", pattern), copy = p.Dir().File("new/deeper/x.hxi.gz");
  EXPECT_EQ(TrkTrackerC::CompressInventory(source, copy), hx::RC_OK);
  EXPECT_EQ(hxapp::Gunzipped(copy), pattern);
  p.Dir().Write("file", "not a directory");
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"missing.hxi", "out.gz"}, {"source.hxi", "file/out.gz"}}) {
    getErrBuf()->reset();
    EXPECT_EQ(TrkTrackerC::CompressInventory(p.Dir().File(from), p.Dir().File(to)), trk::staging::MSG_COMPRESS_FAILED);
    ASSERT_EQ(getErrBuf()->count(), 1u);
    EXPECT_EQ(getErrBuf()->get(0)->message(), "Prandex could not compress the inventory.");
  }
  EXPECT_EQ(hxtest::Count(p.Log(), "Finished compressing inventory"), 1u);
}

TEST(UploadDirectory, ChosenByPreferenceAndType) {
  // expected: relative to the test directory
  struct CaseT { const char* what; std::vector<std::string> args; const char *rule, *type, *expected; };
  const std::vector<CaseT> cases = {
      {"machine", {}, "$(ServerLocation)/Inventories/x.hxi", "Machine", "m"},
      {"machine in any case", {}, "a/b/c.hxi", "mACHINE", "m"},
      {"no type counts as machine", {}, "a/b", "", "m"},
      {"user", {}, "a/b", "User", "u"},
      {"any other type is the user's", {}, "a/b", "user", "u"},
      {"rule without a slash", {}, "x.hxi", "Server", "u"},
      {"upload directory wins", {"-o", "UploadDirectory=$(TempDirectory)/../set"}, "a/b", "User", "tmp/../set"},
  };
  for (const CaseT& c : cases) {
    InProcessC p;
    std::vector<std::string> args = {"-o", "MachineUploadDirectory=" + p.Dir().File("m"), "-o",
                                     "UserUploadDirectory=" + p.Dir().File("u")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ASSERT_EQ(p.Load(args), hx::RC_OK) << c.what;
    EXPECT_EQ(UplUploaderC::GetUploadDirectory(c.rule, c.type).str(), p.Dir().File(c.expected)) << c.what;
  }
}

// A library directory holding `library` under the uploader's name.
std::string InstallWith(const hxtest::TempDirC& dir, const std::string& library) {
  dir.Mkdir("lib");
  std::filesystem::copy_file(library, dir.File("lib/libuploader.so"));
  return dir.Path();
}

TEST(UploaderLoading, LibraryWithoutTheEntryPoint) {
  hxtest::TempDirC install("hxapp-install");
  // Any other module of the build stands for a library that is not an uploader.
  InProcessC p("[Tarvosk]\nInstallDir=" + InstallWith(install, std::string(hxapp::c_BinaryDir) + "/lib/libhxlsyslog.so") +
               "\n");
  ASSERT_EQ(p.Load(), hx::RC_OK);
  getErrBuf()->reset();
  RefM<HxlContextC> context(new HxlContextC);
  EXPECT_EQ(UplUploaderC::DynamicUpload(context.get(), nullptr), trk::staging::MSG_LOOKUP_FUNCTION);
  ASSERT_EQ(getErrBuf()->count(), 1u);
  EXPECT_TRUE(Contains(getErrBuf()->get(0)->message(), "Failed to lookup function UplUploadWithContext: "));
  EXPECT_EQ(UplUploaderC::DynamicUpload(nullptr, nullptr), hx::RC_INVALID_ARG);
}

// The loader's search path is fixed when a process starts, so this part runs in a child of the
// test program started with the build's lib directory on LD_LIBRARY_PATH.
TEST(UploaderLoading, SearchPathChild) {
  if (std::getenv(c_ChildVariable) == nullptr) GTEST_SKIP() << "runs as the child of FoundOnlyOnTheSearchPath";
  hxtest::TempDirC install("hxapp-install");
  InProcessC p("[Tarvosk]\nInstallDir=" + install.Path() + "\n");
  ASSERT_EQ(p.Load(), hx::RC_OK);
  getErrBuf()->reset();
  DynLoadC library;
  EXPECT_EQ(UplUploaderC::ConnectToUploader(nullptr, library), hx::RC_OK);
  EXPECT_EQ(library.Path(), "libuploader.so");
  EXPECT_EQ(getErrBuf()->count(), 0u) << getErrBuf()->get(0)->message();
}

TEST(UploaderLoading, FoundOnlyOnTheSearchPath) {
  char self[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
  hxtest::ChildC child(CommandLineC{self, std::string("--gtest_filter=") + c_ChildTest});
  child.Environment({std::string(c_ChildVariable) + "=1", "LD_LIBRARY_PATH=" + std::string(hxapp::c_BinaryDir) + "/lib"});
  ASSERT_EQ(child.Start(), hx::RC_OK);
  EXPECT_EQ(child.Finish(), 0u) << child.Out();
  EXPECT_TRUE(Contains(child.Out(), "[  PASSED  ] 1 test")) << child.Out();
}

}  // namespace
