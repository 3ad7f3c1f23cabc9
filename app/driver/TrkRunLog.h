#pragma once
// The two ways a step of the run tells what it does: a line in the log (category G, number 0,
// the severity in the text's markup) and the progress text of the status window (through the
// message catalogs, so that it can be translated).

#include <utility>

#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "prefs/tracker/TrkMessages.h"

namespace trk {

template <typename... Args>
void LogGeneral(hx::ResultT id, const char* text, Args&&... args) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, id, text, std::forward<Args>(args)...);
}

template <typename... Args>
void Progress(hx::ResultT id, const char* text, Args&&... args) {
  ProgressText(getL10NMessage(id, text, hx::ArgListC{hx::ArgC(std::forward<Args>(args))...}));
}

}  // namespace trk
