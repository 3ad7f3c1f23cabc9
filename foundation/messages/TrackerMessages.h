#pragma once
// The tracker's own message ids and the log categories of its lines, shared by every
// subsystem that logs for the tracker (preferences, hardware, the run, software, packages).

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace trk {

HX_NODISCARD constexpr hx::ResultT TrkMsg(uint32_t number) { return hx::ToResult(hx::MSGSET_TRACKER | number); }

// Log letters and numbers: G for the general course of a run, P for preference validation.
constexpr int c_LetterGeneral = 'G';
constexpr int c_LetterPreferences = 'P';
constexpr int c_NumberGeneral = 0;
constexpr int c_NumberValidation = 2;

}  // namespace trk
