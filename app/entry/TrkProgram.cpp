#include "app/entry/TrkProgram.h"

#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <memory>

#include "app/driver/TrkRunLog.h"
#include "app/entry/HXContext.h"
#include "app/entry/HxlContext.h"
#include "app/entry/HxlPluginManager.h"
#include "app/entry/SimpleSemaphore.h"
#include "app/entry/TrkAppTable.h"
#include "app/entry/TrkEntryMessages.h"
#include "app/interaction/StopSignals.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/com/ComRef.h"
#include "foundation/com/ComRegistry.h"
#include "foundation/core/FileName.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/log/LogSettings.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/process/ToolLimits.h"
#include "foundation/trace/TraceOutput.h"
#include "foundation/trace/Tracer.h"
#include "inventory/ZORHXTTracker.h"
#include "prefs/defaults/EnvConverters.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "prefs/tracker/ProductInfo.h"
#include "prefs/tracker/TrkUnixPreferences.h"

namespace {

using namespace trk::entry;

constexpr const char* c_TraceProfile = "hxtrack.trace";
constexpr const char* c_TraceTask = "InventoryTracker";
constexpr const char* c_TraceDescription = "Inventory Tracker";
constexpr long c_SemaphoreInitial = 0;
constexpr long c_SemaphoreMaximum = 1;
// Every file and directory the run creates is readable by its owner alone, whatever mode a
// step asks for: inventories, logs and staged files describe the machine.
constexpr mode_t c_FileCreationMask = 077;
constexpr long c_DefaultLockTimeout = 3600;
constexpr const char* c_CommonAppDataFolder = "CommonAppDataFolder";

// The name registry's calls take modifiable text.
HX_NODISCARD hx::ResultT RegisterName(ComNameRegistryI* names, const char* name, const ZORGUID& clsid) {
  StringC text(name);
  return names->RegisterClassName(text.data(), clsid);
}

class TrkProgramC {
 public:
  TrkProgramC() : traceProfile_(c_TraceProfile) {}
  int Main(int argc, char** argv);

 private:
  void StartServices();
  void TrustRunPlaces();
  HX_NODISCARD bool TakeLock();
  static void ReportForeignLock(const SimpleSemaphoreC& semaphore);
  void RunTracker();
  HX_NODISCARD hx::ResultT CreateTracker();
  void ShutDown();

  FileNameC traceProfile_;
  std::unique_ptr<env_EnvironmentC> environment_;
  std::unique_ptr<TrkUnixPreferencesC> prefs_;
  std::unique_ptr<SimpleSemaphoreC> semaphore_;
  bool locked_ = false;
  std::unique_ptr<HxlPluginManagerC> plugins_;
  bool pluginsUnloaded_ = false;
  RefM<ZORHXTTrackerI> tracker_;
  hx::ResultT r_ = hx::RC_OK;
  hx::ResultT registryRc_ = hx::RC_OK;
  int exitCode_ = 0;
  bool runReached_ = false;
};

int TrkProgramC::Main(int argc, char** argv) {
  ::umask(c_FileCreationMask);
  StartServices();
  prefs_ = std::make_unique<TrkUnixPreferencesC>();
  r_ = prefs_->LoadPreferences(argc, argv);
  TrustRunPlaces();
  hx::SetToolTimeout(env_FunStrToIntC()(prefs_->GetValue(TrkPreferencesC::c_ToolTimeout), 0));
  // The lock is taken even when loading failed, so that the closing lines of two processes
  // never interleave in a shared log.
  if (TakeLock()) {
    plugins_ = std::make_unique<HxlPluginManagerC>();
    if (hx::Succeeded(r_)) RunTracker();
  } else {
    plugins_ = std::make_unique<HxlPluginManagerC>();
  }
  ShutDown();
  return runReached_ ? exitCode_ : r_;
}

void TrkProgramC::StartServices() {
  // A profile that is refused (reported) or cannot be read leaves tracing as it was.
  if (TracerC* tracer = getTracer(TracerC::kVersion))
    HX_IGNORE_RESULT(tracer->registerTask(c_TraceTask, traceProfile_.c_str(), c_TraceDescription));
  hx::TraceOutputC::Instance().SetProduct(trk::c_ProductTitle, trk::c_ProductVersion);
  HX_IGNORE_RESULT(TrkDbgInitialise());  // HXTRKTRACE; a value it cannot read is reported and leaves every flag off
  std::setlocale(LC_TIME, "");
  // The in-process registry has nothing to set up that could fail; a class it lacks is missed
  // by name when the tracker is created, which ends the run with that result.
  HX_IGNORE_RESULT(ComRegistryC::DeviceInitialize(nullptr, ComRegistryC::c_AllFlags));
  registryRc_ = EnvUnixC::InitRegistry();
  const StringC configFile = EnvUnixC::GetConfigFile();
  if (!configFile.empty()) hx::TraceOutputC::Instance().SetPreferencesDirectory(FileNameC(configFile).directory());
  environment_ = std::make_unique<env_EnvironmentC>();
  HXContextC::Current()->SetEnv(*environment_);
  hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());
  trk::InstallInteractionHooks();
  trk::InstallStopSignals();
}

// From here on early lines (refusals of untrusted places among them) go to the log. A
// configuration file or a data directory that is not trusted ends the run: it would run with
// settings, or write into a place, that its administrator did not choose.
void TrkProgramC::TrustRunPlaces() {
  hx::SetEarlyLogReady(true);
  hx::TrustFailureT failure;
  const StringC dataDir = prefs_->GetValue(StringC(c_CommonAppDataFolder));
  hx::ResultT rc = dataDir.empty() ? hx::RC_OK : hx::EnsureTrustedDirectory(dataDir, &failure);
  if (hx::Failed(rc)) hx::ReportRefusal(failure, true);  // it ends the run: cron mails standard error
  if (registryRc_ == hx::RC_UNTRUSTED) rc = hx::RC_UNTRUSTED;
  if (hx::Failed(rc) && hx::Succeeded(r_)) r_ = Error(hx::RC_UNTRUSTED, hx::TXT_UNTRUSTED, dataDir, failure.Describe());
}

// False only when the lock failed with an error number; the run then ends with it. The wait
// is bounded by LockTimeout: a time-out fails with EAGAIN like any other lock failure.
bool TrkProgramC::TakeLock() {
  trk::LogGeneral(LOG_OBTAINING_LOCK, TXT_OBTAINING_LOCK);
  semaphore_.reset(SimpleSemaphoreC::GetSemaphore(trk::s_TrackerSemaphoreName, c_SemaphoreInitial, c_SemaphoreMaximum));
  if (semaphore_) {
    const long limit = env_FunStrToIntC()(prefs_->GetValue(TrkPreferencesC::c_LockTimeout), 0);
    semaphore_->SetWaitLimit(limit > 0 ? limit : c_DefaultLockTimeout);
    ReportForeignLock(*semaphore_);
  }
  errno = 0;
  if (semaphore_ && semaphore_->ObtainResource()) {
    trk::LogGeneral(LOG_OBTAINED_LOCK, TXT_OBTAINED_LOCK);
    locked_ = true;
    return true;
  }
  const int err = errno;
  trk::LogGeneral(LOG_LOCK_FAILED, TXT_LOCK_FAILED, err);
  if (err == 0) {
    locked_ = true;  // nothing went wrong that the system could name: go on as if locked
    return true;
  }
  r_ = hx::RcFromErrno(err);
  return false;
}

// A lock set that other users could alter was replaced (as root) or refuses the run (as any
// other user); either way the administrator learns whose it was. A refusal goes to standard
// error too: an ordinary user running the program by hand reads that, not root's log.
void TrkProgramC::ReportForeignLock(const SimpleSemaphoreC& semaphore) {
  if (semaphore.ForeignSet().empty()) return;
  const uint32_t key = static_cast<uint32_t>(UNIXSimpleSemaphoreC::KeyOf(semaphore.GetName()));
  if (semaphore.ReplacedForeignSet()) {
    trk::LogGeneral(LOG_LOCK_REPLACED, TXT_LOCK_REPLACED, key, semaphore.ForeignSet());
    return;
  }
  trk::LogGeneral(LOG_LOCK_REFUSED, TXT_LOCK_REFUSED, key, semaphore.ForeignSet());
  std::fprintf(stderr, "hxtrack: the single-instance lock (semaphore key 0x%08X) is %s; only root can replace it.\n",
               static_cast<unsigned>(key), semaphore.ForeignSet().c_str());
}

void TrkProgramC::RunTracker() {
  trk::s_ObjectServer = std::make_unique<ComServerC>(trk::s_AppTable);
  r_ = CreateTracker();
  if (hx::Failed(r_)) return;
  HX_IGNORE_RESULT(tracker_->Register(ComRegistryC::Instance()));  // its classes: a provider missing is logged later

  const RefM<HxlContextC> context(new HxlContextC);
  r_ = tracker_->PostLoadPreferences(context.get());
  if (hx::Succeeded(r_)) {
    r_ = tracker_->Run(context.get(), &exitCode_);
    runReached_ = true;
  }
  plugins_->UnLoadPlugins();
  pluginsUnloaded_ = true;
  tracker_.reset();
}

// Registers the built-in class by both names, lets the plug-ins in, then creates whatever
// "Tracker" names at that moment.
hx::ResultT TrkProgramC::CreateTracker() {
  ComRegistryI* registry = ComRegistryC::Instance();
  hx::ResultT r = hx::RC_OK;
  const RefM<ComNameRegistryI> names = hx::QueryRef<ComNameRegistryI>(registry, IID_ComNameRegistry, &r);
  if (!names) return r;
  // What does not register here makes the GetInstance below fail, which ends the run with it.
  HX_IGNORE_RESULT(RegisterName(names.get(), trk::c_TrackerName, CLSID_TrkUnixTracker));
  HX_IGNORE_RESULT(RegisterName(names.get(), trk::c_TrackerDefaultName, CLSID_TrkUnixTracker));
  HX_IGNORE_RESULT(trk::s_ObjectServer->Register(registry));

  HX_IGNORE_RESULT(plugins_->LoadPlugins());  // a refused or broken plug-in is logged; the run goes on

  StringC name(trk::c_TrackerName);
  r = names->GetInstance(name.data(), IID_ZORHXTTracker, hx::OutUnknown(tracker_));
  if (hx::Failed(r)) tracker_.detach();
  return r;
}

void TrkProgramC::ShutDown() {
  if (!pluginsUnloaded_ && plugins_) plugins_->UnLoadPlugins();
  tracker_.reset();
  if (trk::s_ObjectServer) {
    HX_IGNORE_RESULT(trk::s_ObjectServer->Unregister(ComRegistryC::Instance()));  // the process is ending
    trk::s_ObjectServer.reset();
  }
  HX_IGNORE_RESULT(ComRegistryC::DeviceFinalize());  // the process is ending: nothing is left to undo

  const hx::ResultT reported = runReached_ ? exitCode_ : r_;
  if (hx::Succeeded(reported)) {
    trk::LogGeneral(LOG_EXIT_SUCCESS, TXT_EXIT_SUCCESS);
  } else {
    trk::LogGeneral(LOG_EXIT_CODE, TXT_EXIT_CODE, static_cast<int32_t>(reported));
  }
  trk::LogGeneral(trk::MSG_SEPARATOR, trk::TXT_SEPARATOR);
  hx::SetEarlyLogReady(false);  // the log is going: later early lines go to standard error
  log_LogManagerC::ReleaseInstance(0);

  // Taken with SEM_UNDO: a release that fails is undone by the system when the process ends.
  if (semaphore_ && locked_) HX_IGNORE_RESULT(semaphore_->ReleaseResource());
  plugins_.reset();
  semaphore_.reset();
  prefs_.reset();
  hx::SetLogSettings(nullptr);
  HXContextC::Current()->ClearEnv();
  environment_.reset();
}

}  // namespace

namespace trk {

int ProgramMain(int argc, char** argv) {
  TrkProgramC program;
  return program.Main(argc, argv);
}

}  // namespace trk
