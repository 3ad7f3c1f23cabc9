#pragma once
// The program's own component classes and the names its entry works with. The table holds
// exactly one class, the Unix tracker; the entry registers it under the names "Tracker" (which
// a plug-in may take over) and "TrackerDefault" (which always names the built-in class).

#include <memory>

#include "foundation/com/ComFactory.h"
#include "foundation/com/ComServer.h"

constexpr ZORGUID CLSID_TrkUnixTracker = {0x9E4D1B71, 0x52C8, 0x4A0F, {0xB3, 0x16, 0x6A, 0x2F, 0x90, 0xD4, 0x11, 0xC5}};

class TrkUnixTrackerFactoryC : public ComFactoryC {
 public:
  static constexpr const char* c_ClassName = "TrkUnixTracker";
  static constexpr const char* c_ProgId = "ZOR.hX.Tracker.TrkUnixTracker.1";

  TrkUnixTrackerFactoryC() : ComFactoryC(c_ClassName, c_ProgId) {}
  ZORUnknownI* CreateObject() override;
  static ComFactoryC* Clone() { return new TrkUnixTrackerFactoryC; }
};

namespace trk {

constexpr const char* c_TrackerName = "Tracker";
constexpr const char* c_TrackerDefaultName = "TrackerDefault";

// The product title in texts the user sees.
extern const char* const s_TrackerTitle;
// The name the single-instance lock is keyed by.
extern const char* const s_TrackerSemaphoreName;
// The program's class table for its component server: one entry and the terminating null.
extern ComObjectEntryC* s_AppTable[];
// The component server over s_AppTable, made and registered by the entry.
extern std::unique_ptr<ComServerC> s_ObjectServer;

}  // namespace trk
