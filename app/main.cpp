#include <clocale>
#include <cstdint>

#include "foundation/com/ComRegistry.h"
#include "foundation/core/FileName.h"
#include "foundation/log/LogManager.h"
#include "foundation/log/LogSettings.h"
#include "foundation/trace/Tracer.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/store/PreferenceLogSettings.h"
#include "prefs/tracker/TrkMessages.h"
#include "prefs/tracker/TrkUnixPreferences.h"

// The inventory tracker's entry. The services start and stop here in a fixed order; at this
// stage the run has no phases yet: the process loads and checks its preferences, reports how
// that went and exits with the result.

namespace {

constexpr const char* c_TraceProfile = "hxtrack.trace";
constexpr const char* c_TraceTask = "InventoryTracker";
constexpr const char* c_TraceDescription = "Inventory Tracker";

constexpr hx::ResultT MSG_EXIT_SUCCESS = trk::TrkMsg(0x0004);
constexpr const char* TXT_EXIT_SUCCESS = "\x01\x01i\x01Program exited successfully";
constexpr hx::ResultT MSG_EXIT_CODE = trk::TrkMsg(0x0005);
constexpr const char* TXT_EXIT_CODE = "\x01\x01" "e\x01Program exited with code %1$d";

}  // namespace

int main(int argc, char** argv) {
  const FileNameC traceProfile(c_TraceProfile);
  if (TracerC* tracer = getTracer(TracerC::kVersion))
    tracer->registerTask(c_TraceTask, traceProfile.c_str(), c_TraceDescription);
  std::setlocale(LC_TIME, "");
  ComRegistryC::DeviceInitialize(nullptr, ComRegistryC::c_AllFlags);
  EnvUnixC::InitRegistry();
  hx::SetLogSettings(env_PreferenceLogSettingsC::Instance());

  hx::ResultT r;
  {
    TrkUnixPreferencesC prefs;
    r = prefs.LoadPreferences(argc, argv);

    ComRegistryC::DeviceFinalize();
    if (hx::Succeeded(r)) {
      hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, MSG_EXIT_SUCCESS, TXT_EXIT_SUCCESS);
    } else {
      hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, MSG_EXIT_CODE, TXT_EXIT_CODE, static_cast<int32_t>(r));
    }
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::MSG_SEPARATOR, trk::TXT_SEPARATOR);
    log_LogManagerC::ReleaseInstance(0);
  }
  hx::SetLogSettings(nullptr);
  return r;
}
