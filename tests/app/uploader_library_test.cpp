// The uploader library as the run calls it: loaded from the build, handed a context whose
// preferences the test sets, judged by what arrives at the location and what stays staged.

#include <regex>

#include "app/api/UploaderPreferences.h"
#include "app/staging/DynLoad.h"
#include "foundation/com/ZORHXContext.h"
#include "plugins/uploader/UplMessages.h"
#include "tests/app/AppTestSupport.h"

namespace {

using hxapp::Contains;
using hxapp::FilesIn;

// A launcher context over a plain map, noting what is reported and logged to it.
class MapContextC : public ZORHXContextI, public ZORHXPreferencesI, public ZORHXStopI, public ZORHXLogI {
 public:
  std::map<std::string, std::string> values;
  std::vector<std::pair<int32_t, std::string>> reports;
  std::string logged;
  int stopFrom = -1;  // the run is being stopped from the stopFrom-th question on (the first is 0)
  int asked = 0;

  hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override {
    if (out == nullptr) return hx::RC_INVALID_ARG;
    *out = nullptr;
    if (iid == IID_ZORHXPreferences) {
      *out = static_cast<ZORHXPreferencesI*>(this);
    } else if (iid == IID_ZORHXStop) {
      *out = static_cast<ZORHXStopI*>(this);
    } else if (iid == IID_ZORHXLog) {
      *out = static_cast<ZORHXLogI*>(this);
    } else if (iid == IID_IUnknown || iid == IID_ZORHXContext) {
      *out = static_cast<ZORHXContextI*>(this);
    } else {
      return hx::RC_NO_INTERFACE;
    }
    return hx::RC_OK;
  }
  unsigned long AddRef() override { return 1; }
  unsigned long Release() override { return 1; }
  hx::ResultT ReportError(int32_t id, const char* text) override {
    reports.emplace_back(id, text);
    return id;
  }
  hx::ResultT GetValue(const char* name, char** value) override {
    const auto it = values.find(name);
    *value = strdup(it == values.end() ? "" : it->second.c_str());
    return hx::RC_OK;
  }
  hx::ResultT SetValue(const char* name, const char* value) override {
    values[name] = value;
    return hx::RC_OK;
  }
  bool IsStopping() override { return stopFrom >= 0 && asked++ >= stopFrom; }
  hx::ResultT LogLine(int32_t /*id*/, int32_t /*severity*/, const char* text) override {
    logged += std::string(text) + "\n";
    return hx::RC_OK;
  }
};

class UploaderC {
 public:
  UploaderC() {
    EXPECT_TRUE(library_.Load(hxapp::c_Uploader)) << library_.LastError();
    entry_ = reinterpret_cast<int32_t (*)(ZORHXContextI*)>(library_.Symbol("UplUploadWithContext"));
    EXPECT_NE(entry_, nullptr);
  }
  int32_t Upload(MapContextC& context) { return entry_ != nullptr ? entry_(&context) : -1; }

 private:
  DynLoadC library_;
  int32_t (*entry_)(ZORHXContextI*) = nullptr;
};

// location: ServerLocation, "<dir>" standing for the test directory; deliveredTo: below the test directory
struct CaseT { const char* what; std::string type, location; bool sourceRemove; std::string deliveredTo; };

TEST(UploaderLibrary, DeliversStagedFilesToTheRuleLocation) {
  const std::vector<CaseT> cases = {
      {"local directory, created with its parents", "Machine", "<dir>/srv/a/b", true, "srv/a/b/Inventories"},
      {"staged files kept", "Machine", "<dir>/srv", false, "srv/Inventories"},
      {"file location", "Machine", "file://<dir>/url", true, "url/Inventories"},
      {"file location on this host", "MACHINE", "file://localhost<dir>/host", true, "host/Inventories"},
      {"user inventory", "User", "<dir>/user", true, "user/Inventories"},
  };
  UploaderC uploader;
  for (const CaseT& c : cases) {
    hxtest::TempDirC dir("hxupl");
    const std::string location = std::regex_replace(c.location, std::regex("<dir>"), dir.Path());
    const std::string stage = c.type == "User" ? "user-stage" : "machine-stage";
    dir.Write(stage + "/u on m.hxi.gz", "staged one");
    dir.Write(stage + "/second.hxi.gz", "staged two");
    dir.Write(stage + "/tvk1.hxi.gz.tmp", "in progress");
    MapContextC context;
    context.values = {{"UploadType", c.type},
                      {"MachineUploadDirectory", dir.File("machine-stage")},
                      {"UserUploadDirectory", dir.File("user-stage")},
                      {"SourceRemove", c.sourceRemove ? "True" : "False"},
                      {"UploadRule", "Inventory"},
                      {"UploadRuleValue", location + "/Inventories/u on m at 1 for x (Full).hxi"}};
    EXPECT_EQ(uploader.Upload(context), 0) << c.what << (context.reports.empty() ? "" : context.reports[0].second);
    const std::string target = dir.File(c.deliveredTo);
    EXPECT_EQ(hxtest::ReadFile(target + "/u on m.hxi.gz"), "staged one") << c.what;
    EXPECT_EQ(hxtest::ReadFile(target + "/second.hxi.gz"), "staged two") << c.what;
    EXPECT_EQ(FilesIn(target).size(), 2u) << c.what;  // no temporary file left, no .tmp taken
    EXPECT_EQ(FilesIn(dir.File(stage)).size(), c.sourceRemove ? 1u : 3u) << c.what;
    EXPECT_TRUE(context.reports.empty()) << c.what;
  }
}

TEST(UploaderLibrary, FailuresAreReportedAndAnswered) {
  // ruleValue: "<dir>" standing for the test directory; spoolMax: UploadSpoolMax
  struct FailT {
    const char* what;
    std::string ruleValue;
    const char* reportPart;
    const char* spoolMax = "20";
    bool markBlocked = false;  // a directory stands where the full-inventory mark goes
  };
  const std::vector<FailT> cases = {
      {"location below a file", "<dir>/blocker/sub/x.hxi", "Cannot create the upload location"},
      {"location is a file", "<dir>/blocker/x.hxi", "is not a directory"},
      {"other transfer scheme", "ftp://host/in/x.hxi", "is not a local directory, a file:// location or an HTTP(S) server"},
      {"file location on another host", "file://elsewhere/in/x.hxi", "is not on this computer"},
      {"no directory in the rule", "x.hxi", "names no directory"},
      // The run's own full inventory cannot wait: the next run must send a full one again.
      {"no room in the spool", "<dir>/blocker/x.hxi", "is not a directory", "0"},
      // ... and when that mark cannot be left, the log says so instead of promising it.
      {"no room, no mark", "<dir>/blocker/x.hxi", "is not a directory", "0", true},
  };
  UploaderC uploader;
  for (const FailT& c : cases) {
    hxtest::TempDirC dir("hxupl");
    dir.Write("blocker", "a file");
    dir.Write("stage/a.hxi.gz", "staged");
    if (c.markBlocked) std::filesystem::create_directories(dir.File("stage/pending/") + upl::c_FullInventoryMark);
    MapContextC context;
    context.values = {{"UploadType", "Machine"},
                      {"UploadDirectory", dir.File("stage")},
                      {"SourceRemove", "True"},
                      {"Generation", "Full"},
                      {"UploadSpoolMax", c.spoolMax},
                      {"UploadRuleValue", std::regex_replace(c.ruleValue, std::regex("<dir>"), dir.Path())}};
    EXPECT_NE(uploader.Upload(context), 0) << c.what;
    ASSERT_EQ(context.reports.size(), 1u) << c.what;
    EXPECT_LT(context.reports[0].first, 0) << c.what;
    EXPECT_TRUE(Contains(context.reports[0].second, c.reportPart)) << c.what << ": " << context.reports[0].second;
    const bool room = std::string(c.spoolMax) != "0";
    EXPECT_EQ(hxtest::ReadFile(dir.File("stage/pending/a.hxi.gz")), room ? "staged" : "") << c.what;  // kept for the next try
    EXPECT_EQ(std::filesystem::exists(dir.File("stage/pending/") + upl::c_FullInventoryMark), !room) << c.what;
    EXPECT_EQ(Contains(context.logged, "the next run sends a full inventory"), !room && !c.markBlocked) << c.what;
    EXPECT_EQ(Contains(context.logged, "Cannot leave the mark"), c.markBlocked) << c.what;
  }
}

TEST(UploaderLibrary, NothingStagedIsNothingToDo) {
  UploaderC uploader;
  hxtest::TempDirC dir("hxupl");
  MapContextC context;
  context.values = {{"UploadType", "Machine"},
                    {"MachineUploadDirectory", dir.File("never-made")},
                    {"UploadRuleValue", dir.File("srv/Inventories/x.hxi")}};
  EXPECT_EQ(uploader.Upload(context), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("srv")));
  EXPECT_TRUE(context.reports.empty());
}

// Stopped before the first file, or while it is copied (the check before it passes): the copy
// ends, nothing is left at the location, the file waits in the spool, and a stop is no failure
// to report.
TEST(UploaderLibrary, StoppedBeforeOrWhileCopying) {
  UploaderC uploader;
  for (const int stopFrom : {0, 1}) {
    hxtest::TempDirC dir("hxupl");
    dir.Write("stage/a.hxi.gz", "staged");
    MapContextC context;
    context.stopFrom = stopFrom;
    context.values = {{"UploadDirectory", dir.File("stage")}, {"SourceRemove", "True"},
                      {"UploadRuleValue", dir.File("srv/x.hxi")}};
    EXPECT_EQ(uploader.Upload(context), upl::MSG_STOPPED);
    EXPECT_EQ(context.asked, stopFrom + 1);
    EXPECT_TRUE(context.reports.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("srv")));
    EXPECT_EQ(hxtest::ReadFile(dir.File("stage/pending/a.hxi.gz")), "staged");
  }
}

}  // namespace
