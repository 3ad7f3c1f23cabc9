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
// A set under the lock's key that other users could alter (see SimpleSemaphore.h).
constexpr hx::ResultT LOG_LOCK_REPLACED = TrkMsg(0x0017);
constexpr const char* TXT_LOCK_REPLACED =
    "\x01\x01w\x01The semaphore of the single-instance lock (key 0x%1$08X) was %2$s; it was not trusted and has "
    "been replaced by a new one that only root can use.";
constexpr hx::ResultT LOG_LOCK_REFUSED = TrkMsg(0x001A);
constexpr const char* TXT_LOCK_REFUSED =
    "\x01\x01" "e\x01" "ERROR: The semaphore of the single-instance lock (key 0x%1$08X) is %2$s; it is not trusted and "
    "only root can replace it. Run hxtrack as root.";

}  // namespace trk::entry
