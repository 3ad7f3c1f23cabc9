#include "app/entry/TrkAppTable.h"

#include "app/driver/TrkUnixTracker.h"
#include "prefs/tracker/ProductInfo.h"

ZORUnknownI* TrkUnixTrackerFactoryC::CreateObject() { return static_cast<ZORHXTTrackerI*>(new TrkUnixTrackerC); }

namespace trk {

namespace {
ComObjectEntryC s_UnixTrackerEntry(CLSID_TrkUnixTracker, &TrkUnixTrackerFactoryC::Clone);
}  // namespace

const char* const s_TrackerTitle = c_ProductTitle;
const char* const s_TrackerSemaphoreName = "Prandex Tracker Semaphore";
ComObjectEntryC* s_AppTable[] = {&s_UnixTrackerEntry, nullptr};
std::unique_ptr<ComServerC> s_ObjectServer;

}  // namespace trk
