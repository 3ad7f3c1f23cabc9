#pragma once
// Message ids and default texts of the program entry: the single-instance lock and the
// closing lines of every run.

#include "prefs/tracker/TrkMessages.h"

namespace trk::entry {

constexpr hx::ResultT LOG_EXIT_SUCCESS = TrkMsg(0x0004);
constexpr const char* TXT_EXIT_SUCCESS = "\x01\x01i\x01Program exited successfully";
constexpr hx::ResultT LOG_EXIT_CODE = TrkMsg(0x0005);
constexpr const char* TXT_EXIT_CODE = "\x01\x01" "e\x01Program exited with code %1$d";

constexpr hx::ResultT LOG_OBTAINING_LOCK = TrkMsg(0x0014);
constexpr const char* TXT_OBTAINING_LOCK =
    "\x01\x01i\x01Obtaining semaphore lock (to ensure only one instance is running)...";
constexpr hx::ResultT LOG_OBTAINED_LOCK = TrkMsg(0x0015);
constexpr const char* TXT_OBTAINED_LOCK = "\x01\x01i\x01Obtained semaphore lock.";
constexpr hx::ResultT LOG_LOCK_FAILED = TrkMsg(0x0016);
constexpr const char* TXT_LOCK_FAILED =
    "\x01\x01" "e\x01" "ERROR: Could not obtain semaphore lock, Windows error code: %1$d";

}  // namespace trk::entry
