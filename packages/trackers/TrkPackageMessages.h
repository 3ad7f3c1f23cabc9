#pragma once
// The log lines, errors and trace category of the package trackers.

#include "foundation/core/Result.h"
#include "foundation/messages/TrackerMessages.h"

namespace trk {

constexpr const char* c_TracePackages = "Tracker/Packages";

constexpr hx::ResultT LOG_PKG_STARTED = TrkMsg(0x0160);
constexpr const char* TXT_PKG_STARTED = "Started tracking packages";
constexpr hx::ResultT LOG_PKG_FINISHED = TrkMsg(0x0161);
constexpr const char* TXT_PKG_FINISHED = "Finished tracking packages";
constexpr hx::ResultT LOG_OWN_STARTED = TrkMsg(0x0162);
constexpr const char* TXT_OWN_STARTED = "Started tracking Prandex packages";
constexpr hx::ResultT LOG_OWN_FINISHED = TrkMsg(0x0163);
constexpr const char* TXT_OWN_FINISHED = "Finished tracking Prandex packages";
constexpr hx::ResultT LOG_AGENTS_STARTED = TrkMsg(0x0164);
constexpr const char* TXT_AGENTS_STARTED = "Started tracking external agents";
constexpr hx::ResultT LOG_AGENTS_FINISHED = TrkMsg(0x0165);
constexpr const char* TXT_AGENTS_FINISHED = "Finished tracking external agents";
constexpr hx::ResultT LOG_POSSIBLE_REGISTRY = TrkMsg(0x0166);
constexpr const char* TXT_POSSIBLE_REGISTRY = "The file '%1$s' has been detected as a possible package registry";

constexpr hx::ResultT MSG_UNKNOWN_ERROR = TrkMsg(0x0104);
constexpr const char* TXT_UNKNOWN_ERROR = "\x01\x01" "e\x01" "Unknown error.";
constexpr hx::ResultT MSG_PKG_CANCELLED = TrkMsg(0x0118);
constexpr const char* TXT_PKG_CANCELLED = "\x01\x01" "w\x01" "Inventory tracking was cancelled.";

}  // namespace trk
