// The pieces the entry starts a run with: the single-instance lock (held, waited for and taken
// over from a killed holder in the program's tests), the plug-in manager and the launcher
// context.

#include <sys/ipc.h>
#include <sys/sem.h>

#include "app/entry/HxlContext.h"
#include "app/entry/HxlPluginManager.h"
#include "app/entry/SimpleSemaphore.h"
#include "app/entry/TrkAppTable.h"
#include "foundation/com/ComRegistry.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/messages/Errors.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/plugin/TestTrackerPlugin.h"

namespace {

using hxapp::Contains;
using hxapp::InProcessC;

union SemArgT {
  int val;
  struct semid_ds* buf;
};

// A semaphore name of this test alone; its set is removed again at the end.
class TestSemaphoreNameC {
 public:
  explicit TestSemaphoreNameC(const char* tag)
      : name_(std::string("hxtrack test ") + tag + " " + std::to_string(::getpid())) {}
  ~TestSemaphoreNameC() {
    const int id = ::semget(UNIXSimpleSemaphoreC::KeyOf(name_), 1, 0666);
    if (id != -1) ::semctl(id, 0, IPC_RMID);
  }
  const std::string& Name() const { return name_; }
  key_t Key() const { return UNIXSimpleSemaphoreC::KeyOf(name_); }

 private:
  std::string name_;
};

int ValueOf(int id) { return ::semctl(id, 0, GETVAL); }

// The set's status; all zero when it cannot be read.
struct semid_ds StatusOf(int id) {
  struct semid_ds ds {};
  SemArgT arg{};
  arg.buf = &ds;
  if (::semctl(id, 0, IPC_STAT, arg) != 0) ds = {};
  return ds;
}

TEST(TrackerSemaphore, KeyFoldsTheFirstCharacterTwice) {
  // The key every tracker on a machine shares, whichever version created the set.
  EXPECT_EQ(static_cast<uint32_t>(UNIXSimpleSemaphoreC::KeyOf(trk::s_TrackerSemaphoreName)), 0x6F114E94u);
  EXPECT_EQ(UNIXSimpleSemaphoreC::KeyOf(""), 0);
}

TEST(TrackerSemaphore, JoinerWaitsForTheCreatorToInitialise) {
  TestSemaphoreNameC name("join");
  const int id = ::semget(name.Key(), 1, IPC_CREAT | IPC_EXCL | 0600);
  ASSERT_NE(id, -1);
  // A creator that is slow to initialise, with a value of its own the joiner must not replace.
  std::thread creator([id] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    SemArgT arg{};
    arg.val = 3;
    ::semctl(id, 0, SETVAL, arg);
    struct sembuf op {0, 1, 0};
    ::semop(id, &op, 1);
  });
  UNIXSimpleSemaphoreC joiner(name.Name(), 0, 1);
  const time_t seen = StatusOf(id).sem_otime;
  creator.join();
  EXPECT_EQ(joiner.GetId(), id);
  EXPECT_EQ(joiner.ForeignSet(), "");
  EXPECT_GT(seen, 0);
  EXPECT_EQ(ValueOf(id), 4);
}

// A set that others may alter, or that another user made, is never joined: root replaces it
// with a set of its own (0600, one unit), any other user refuses it and cannot lock.
TEST(TrackerSemaphore, SetsOthersMayAlterAreReplacedByRootAndRefusedByOthers) {
  HX_TEST_NEEDS_ATTACKER(attacker);
  struct CaseT { const char* what; uid_t maker; int mode; uid_t opener; const char* foreign; };
  const CaseT cases[] = {
      {"made by another user", attacker, 0600, 0, "owned by user %u (hxattacker), made by user %u (hxattacker)"},
      {"root's, open to all", 0, 0666, 0, "owned by user 0 (root), made by user 0 (root), with mode 0666"},
      {"root's, opened by another user", 0, 0600, attacker, ""},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.what);
    TestSemaphoreNameC name("foreign");
    const auto make = [&] { return ::semget(name.Key(), 1, IPC_CREAT | IPC_EXCL | c.mode) == -1 ? 1 : 0; };
    ASSERT_EQ(c.maker == 0 ? make() : hxtest::AsUser(c.maker, make), 0);
    if (c.opener != 0) {
      // Not even the lock's error may be 0: a run without the lock never goes on as if locked.
      EXPECT_EQ(hxtest::AsUser(c.opener, [&] {
                  UNIXSimpleSemaphoreC lock(name.Name(), 0, 1);
                  errno = 0;
                  return lock.GetId() == -1 && !lock.ObtainResource() && errno == EACCES &&
                                 hxtest::Contains(lock.ForeignSet(), "may not examine")
                             ? 0
                             : 1;
                }),
                0);
      continue;
    }
    UNIXSimpleSemaphoreC lock(name.Name(), 0, 1);
    char foreign[160];
    std::snprintf(foreign, sizeof foreign, c.foreign, static_cast<unsigned>(attacker), static_cast<unsigned>(attacker));
    EXPECT_TRUE(hxtest::Contains(lock.ForeignSet(), foreign)) << lock.ForeignSet();
    EXPECT_TRUE(lock.ReplacedForeignSet());
    const struct semid_ds ds = StatusOf(lock.GetId());
    EXPECT_EQ(ds.sem_perm.uid + ds.sem_perm.cuid, 0u);
    EXPECT_EQ(ds.sem_perm.mode & 0777, 0600u);
    EXPECT_EQ(ValueOf(lock.GetId()), 1);
  }
}

// Every module below the plug-in directory is loaded (a broken one is reported, the others still
// load); the plug-in takes the name "Tracker", "TrackerDefault" stays the built-in tracker, and
// unloading takes the module's classes out of the registry.
TEST(PluginManager, LoadsModulesFoundBelowThePluginDirectory) {
  for (const bool withBroken : {false, true}) {
    SCOPED_TRACE(withBroken ? "a module and a broken one" : "only a module");
    InProcessC p;
    ASSERT_EQ(p.Load({"-o", "PluginDirectory=" + p.Dir().Mkdir("plugins")}), hx::RC_OK);
    std::filesystem::copy_file(std::string(hxapp::c_PluginDir) + "/libtest_tracker_plugin.so",
                               p.Dir().Mkdir("plugins/a/b") + "/libtracker.so");
    p.Dir().Write("plugins/notes.txt", "not a module");
    p.Dir().Write("plugins/.so", "no extension: the dot is the first character");
    p.Dir().Mkdir("plugins/modules.so");  // a directory is never a module
    if (withBroken) p.Dir().Write("plugins/broken/bad.so", "not a library");

    ASSERT_EQ(ComRegistryC::DeviceInitialize(nullptr, ComRegistryC::c_AllFlags), hx::RC_OK);
    auto* registry = static_cast<ComRegistryC*>(ComRegistryC::Instance());
    StringC tracker("Tracker"), fallback("TrackerDefault");
    registry->RegisterClassName(tracker.data(), CLSID_TrkUnixTracker);
    registry->RegisterClassName(fallback.data(), CLSID_TrkUnixTracker);
    {
      HxlPluginManagerC manager;
      EXPECT_EQ(manager.LoadPlugins(), !withBroken);
      EXPECT_EQ(manager.ModuleCount(), 1u);
      ComGuidC clsid;
      EXPECT_EQ(registry->FindCLSID(tracker.data(), &clsid), hx::RC_OK);
      EXPECT_TRUE(clsid == CLSID_TestTracker);
      EXPECT_EQ(registry->FindCLSID(fallback.data(), &clsid), hx::RC_OK);
      EXPECT_TRUE(clsid == CLSID_TrkUnixTracker);
      ZORUnknownI* object = nullptr;
      ASSERT_EQ(registry->GetInstance(CLSID_TestTracker, IID_IUnknown, &object), hx::RC_OK);
      object->Release();
      manager.UnLoadPlugins();  // its library stays open
      EXPECT_LT(registry->GetInstance(CLSID_TestTracker, IID_IUnknown, &object), 0);
    }
    HX_IGNORE_RESULT(registry->UnRegisterClassName(tracker.data()));  // only the clean-up is wanted
    HX_IGNORE_RESULT(registry->UnRegisterClassName(fallback.data()));  // only the clean-up is wanted
    HX_IGNORE_RESULT(ComRegistryC::DeviceFinalize());  // only the clean-up is wanted
  }
}

TEST(LauncherContext, PreferencesByNameAndReports) {
  InProcessC p("[Tarvosk]\nServerLocation=/nowhere\nCompress=False\nCompressFixed=True\n");
  ASSERT_EQ(p.Load(), hx::RC_OK);
  RefM<HxlContextC> context(new HxlContextC);

  ZORHXPreferencesI* prefs = nullptr;
  ASSERT_EQ(context->QueryInterface(IID_ZORHXPreferences, reinterpret_cast<void**>(&prefs)), hx::RC_OK);

  auto get = [prefs](const char* name) {
    char* value = nullptr;
    EXPECT_EQ(prefs->GetValue(name, &value), hx::RC_OK);
    std::string text = value != nullptr ? value : "(null)";
    std::free(value);
    return text;
  };
  EXPECT_EQ(get("UploadFile"), p.Value("UploadFile"));  // expanded
  EXPECT_FALSE(Contains(get("UploadFile"), "$("));
  EXPECT_EQ(get("NoSuchPreference"), "");
  EXPECT_EQ(prefs->SetValue("UploadType", "User"), hx::RC_OK);
  EXPECT_EQ(p.Value("UploadType"), "User");
  EXPECT_EQ(prefs->SetValue("IncludeExtension", "exe"), hx::RC_OK);
  EXPECT_EQ(get("IncludeExtension"), "exe");
  EXPECT_EQ(prefs->SetValue("Compress", "True"), hx::RC_OK);
  EXPECT_EQ(get("Compress"), "False");  // fixed by the administrator
  prefs->Release();

  getErrBuf()->reset();
  const int32_t id = hx::ToResult(0xE06B0401u);
  EXPECT_EQ(context->ReportError(id, "The location is full"), id);
  ASSERT_EQ(getErrBuf()->count(), 1u);
  EXPECT_EQ(getErrBuf()->get(0)->id(), id);
  EXPECT_EQ(getErrBuf()->get(0)->message(), "The location is full");
  EXPECT_TRUE(Contains(p.Log(), "The location is full"));
}

}  // namespace
