#pragma once
// Log lines of the hardware step. The markup in front of each text gives its severity; the
// message catalogs may replace any text.

#include "foundation/messages/TrackerMessages.h"

namespace trk {

constexpr hx::ResultT LOG_HW_KEY_NOT_OPENED = TrkMsg(0x0048);
constexpr const char* TXT_HW_KEY_NOT_OPENED = "\x01\x01w\x01WARNING: Registry key '%1$s' could not be opened";
constexpr hx::ResultT LOG_HW_PROVIDER_LOADED = TrkMsg(0x012C);
constexpr const char* TXT_HW_PROVIDER_LOADED = "\x01\x01i\x01Loaded %1$s provider for %2$s class";
constexpr hx::ResultT LOG_HW_PROVIDER_FAILED = TrkMsg(0x012D);
constexpr const char* TXT_HW_PROVIDER_FAILED = "\x01\x01i\x01" "Failed to load %1$s provider for %2$s class: error %3$#lx";

constexpr hx::ResultT LOG_HW_CLASS_FAILED = TrkMsg(0x0078);
constexpr const char* TXT_HW_CLASS_FAILED =
    "\x01\x01w\x01WARNING: Hardware class %1$s (%2$s provider) failed: error %3$#lx";

// Every problem of the DB2 scan, with a text that says which.
constexpr hx::ResultT LOG_DB2_SCAN_ERROR = TrkMsg(0x021D);
constexpr const char* TXT_DB2_SCAN_ERROR = "\x01\x01" "e\x01" "ERROR during DB2 scan: %1$s";
// Linux's ps refuses the DB2 scan's process listing; the scan reads /proc instead.
constexpr hx::ResultT LOG_DB2_OWNERS_FROM_PROC = TrkMsg(0x0351);
constexpr const char* TXT_DB2_OWNERS_FROM_PROC =
    "\x01\x01" "i\x01" "DB2 scan: the process listing '%1$s' failed (result %2$#lx); the owners of the db2sysc "
    "processes are taken from /proc";

// The trace category of the hardware step and its providers.
constexpr const char* c_TraceHardware = "Tracker/Hardware";

}  // namespace trk
