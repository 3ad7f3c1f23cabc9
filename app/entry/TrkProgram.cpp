#include "app/entry/TrkProgram.h"

#include <cerrno>
#include <clocale>
#include <memory>

#include "app/driver/TrkRunLog.h"
#include "app/driver/ZORHXTTracker.h"
#include "app/entry/HXContext.h"
#include "app/entry/HxlContext.h"
#include "app/entry/HxlPluginManager.h"
#include "app/entry/SimpleSemaphore.h"
#include "app/entry/TrkAppTable.h"
#include "app/entry/TrkEntryMessages.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/com/ComRegistry.h"
#include "foundation/core/FileName.h"
#include "foundation/log/LogManager.h"
#include "foundation/log/LogSettings.h"
#include "foundation/trace/Tracer.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "prefs/tracker/TrkUnixPreferences.h"

namespace {

using namespace trk::entry;

constexpr const char* c_TraceProfile = "hxtrack.trace";
constexpr const char* c_TraceTask = "InventoryTracker";
constexpr const char* c_TraceDescription = "Inventory Tracker";
constexpr long c_SemaphoreInitial = 0;
constexpr long c_SemaphoreMaximum = 1;

// The name registry's calls take modifiable text.
hx::ResultT RegisterName(ComNameRegistryI* names, const char* name, const ZORGUID& clsid) {
  StringC text(name);
  return names->RegisterClassName(text.data(), clsid);
}

class TrkProgramC {
 public:
  TrkProgramC() : traceProfile_(c_TraceProfile) {}
  int Main(int argc, char** argv);

 private:
  void StartServices();
  bool TakeLock();
  void RunTracker();
  hx::ResultT CreateTracker();
  void ShutDown();

  FileNameC traceProfile_;
  std::unique_ptr<env_EnvironmentC> environment_;
  std::unique_ptr<TrkUnixPreferencesC> prefs_;
  std::unique_ptr<SimpleSemaphoreC> semaphore_;
  bool locked_ = false;
  std::unique_ptr<HxlPluginManagerC> plugins_;
  bool pluginsUnloaded_ = false;
  ZORHXTTrackerI* tracker_ = nullptr;
  hx::ResultT r_ = hx::RC_OK;
  int exitCode_ = 0;
  bool runReached_ = false;
};

int TrkProgramC::Main(int argc, char** argv) {
  StartServices();
  prefs_ = std::make_unique<TrkUnixPreferencesC>();
  r_ = prefs_->LoadPreferences(argc, argv);
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
  if (TracerC* tracer = getTracer(TracerC::kVersion))
    tracer->registerTask(c_TraceTask, traceProfile_.c_str(), c_TraceDescription);
  TrkDbgInitialise();  // HXTRKTRACE; a value it cannot read is reported and leaves every flag off
  std::setlocale(LC_TIME, "");
  ComRegistryC::DeviceInitialize(nullptr, ComRegistryC::c_AllFlags);
  EnvUnixC::InitRegistry();
  environment_ = std::make_unique<env_EnvironmentC>();
  HXContextC::Current()->SetEnv(*environment_);
  hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());
  trk::InstallInteractionHooks();
}

// False only when the lock failed with an error number; the run then ends with it.
bool TrkProgramC::TakeLock() {
  trk::LogGeneral(LOG_OBTAINING_LOCK, TXT_OBTAINING_LOCK);
  semaphore_.reset(SimpleSemaphoreC::GetSemaphore(trk::s_TrackerSemaphoreName, c_SemaphoreInitial, c_SemaphoreMaximum));
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

void TrkProgramC::RunTracker() {
  trk::s_ObjectServer = new ComServerC(trk::s_AppTable);
  r_ = CreateTracker();
  if (hx::Failed(r_)) return;
  tracker_->Register(ComRegistryC::Instance());

  HxlContextC* context = new HxlContextC;
  context->AddRef();
  r_ = tracker_->PostLoadPreferences(context);
  if (hx::Succeeded(r_)) {
    r_ = tracker_->Run(context, &exitCode_);
    runReached_ = true;
  }
  plugins_->UnLoadPlugins();
  pluginsUnloaded_ = true;
  context->Release();
  tracker_->Release();
  tracker_ = nullptr;
}

// Registers the built-in class by both names, lets the plug-ins in, then creates whatever
// "Tracker" names at that moment.
hx::ResultT TrkProgramC::CreateTracker() {
  ComRegistryI* registry = ComRegistryC::Instance();
  ComNameRegistryI* names = nullptr;
  hx::ResultT r = registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
  if (hx::Failed(r)) return r;
  RegisterName(names, trk::c_TrackerName, CLSID_TrkUnixTracker);
  RegisterName(names, trk::c_TrackerDefaultName, CLSID_TrkUnixTracker);
  trk::s_ObjectServer->Register(registry);

  plugins_->LoadPlugins();

  StringC name(trk::c_TrackerName);
  char* text = name.data();
  r = names->GetInstance(text, IID_ZORHXTTracker, reinterpret_cast<ZORUnknownI**>(&tracker_));
  names->Release();
  if (hx::Failed(r)) tracker_ = nullptr;
  return r;
}

void TrkProgramC::ShutDown() {
  if (!pluginsUnloaded_ && plugins_) plugins_->UnLoadPlugins();
  if (tracker_ != nullptr) tracker_->Release();
  tracker_ = nullptr;
  if (trk::s_ObjectServer != nullptr) {
    trk::s_ObjectServer->Unregister(ComRegistryC::Instance());
    delete trk::s_ObjectServer;
    trk::s_ObjectServer = nullptr;
  }
  ComRegistryC::DeviceFinalize();

  const hx::ResultT reported = runReached_ ? exitCode_ : r_;
  if (hx::Succeeded(reported)) {
    trk::LogGeneral(LOG_EXIT_SUCCESS, TXT_EXIT_SUCCESS);
  } else {
    trk::LogGeneral(LOG_EXIT_CODE, TXT_EXIT_CODE, static_cast<int32_t>(reported));
  }
  trk::LogGeneral(trk::MSG_SEPARATOR, trk::TXT_SEPARATOR);
  log_LogManagerC::ReleaseInstance(0);

  if (semaphore_ && locked_) semaphore_->ReleaseResource();
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
