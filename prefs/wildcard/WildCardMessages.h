#pragma once
// Message ids and default texts of the expansion of wildcard directory entries; the message
// catalogs may replace any text.

#include "foundation/core/Result.h"
#include "foundation/messages/TrackerMessages.h"

namespace trk {

constexpr hx::ResultT LOG_WILDCARD_FOUND = TrkMsg(0x0060);
constexpr const char* TXT_LOG_WILDCARD_FOUND =
    "\x01\x01i\x01""Found directory '%1$S' that matches '%2$S' wild card directory path";
constexpr hx::ResultT LOG_WILDCARD_SEARCH = TrkMsg(0x0061);
constexpr const char* TXT_LOG_WILDCARD_SEARCH =
    "\x01\x01i\x01Searching directories that matches '%1$S' wild card directory path";
constexpr hx::ResultT LOG_WILDCARD_RELATIVE = TrkMsg(0x0062);
constexpr const char* TXT_LOG_WILDCARD_RELATIVE =
    "\x01\x01i\x01Relative wild card directory path '%1$S' not supported";

}  // namespace trk
