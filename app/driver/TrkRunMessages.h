#pragma once
// Message ids and default texts of the run driver. Log texts carry their severity class;
// progress texts are plain (they only ever reach the status window). The message catalogs
// may replace any of them.

#include "prefs/tracker/TrkMessages.h"

namespace trk::run {

// Construction and destruction of the driver.
constexpr hx::ResultT LOG_PROGRAM_PATH = TrkMsg(0x0002);
constexpr const char* TXT_PROGRAM_PATH = "\x01\x01i\x01Program path is '%1$s'";
constexpr hx::ResultT LOG_PROGRAM_VERSION = TrkMsg(0x0003);
constexpr const char* TXT_PROGRAM_VERSION = "\x01\x01i\x01Program version is '%1$s %2$s'";
constexpr hx::ResultT LOG_BUILD_NUMBER = TrkMsg(0x0006);
constexpr const char* TXT_BUILD_NUMBER = "\x01\x01i\x01Program build number is '%1$s'";
constexpr hx::ResultT LOG_PROGRAM_USER = TrkMsg(0x0008);
constexpr const char* TXT_PROGRAM_USER = "\x01\x01i\x01Program user is '%1$s'";
constexpr hx::ResultT LOG_TRACKING_STARTED = TrkMsg(0x000A);
constexpr const char* TXT_TRACKING_STARTED = "\x01\x01i\x01Inventory tracking started";
constexpr hx::ResultT LOG_TRACKING_FINISHED = TrkMsg(0x000B);
constexpr const char* TXT_TRACKING_FINISHED = "\x01\x01i\x01Inventory tracking finished";

// Freshness.
constexpr hx::ResultT LOG_INVENTORY_AGE = TrkMsg(0x0018);
constexpr const char* TXT_INVENTORY_AGE = "\x01\x01i\x01" "Existing inventory file \"%1$S\" is %2$ld hour(s) old";
constexpr hx::ResultT LOG_NO_NEW_INVENTORY = TrkMsg(0x0019);
constexpr const char* TXT_NO_NEW_INVENTORY = "\x01\x01i\x01" "A new inventory will not be performed";

// Cancellation.
constexpr hx::ResultT MSG_CANCELLED = TrkMsg(0x0118);
constexpr const char* TXT_CANCELLED = "\x01\x01w\x01Inventory tracking was cancelled.";
constexpr hx::ResultT LOG_TERMINATED_BY_USER = TrkMsg(0x0007);
constexpr const char* TXT_TERMINATED_BY_USER = "\x01\x01w\x01WARNING: Inventory tracking terminated by user";

// Writing.
constexpr hx::ResultT LOG_GENERATE_STARTED = TrkMsg(0x000D);
constexpr const char* TXT_GENERATE_STARTED = "\x01\x01i\x01Started generating inventory '%S'";
constexpr hx::ResultT LOG_GENERATE_FINISHED = TrkMsg(0x000E);
constexpr const char* TXT_GENERATE_FINISHED = "\x01\x01i\x01" "Finished generating inventory";
constexpr hx::ResultT MSG_RAW_INVENTORY = TrkMsg(0x0032);
constexpr const char* TXT_RAW_INVENTORY = "\x01\x01" "e\x01" "ERROR: Could not create raw inventory";
constexpr hx::ResultT LOG_DELTA_REVERTED = TrkMsg(0x0067);
constexpr const char* TXT_DELTA_REVERTED = "\x01\x01i\x01" "Could not generate inventory delta - reverting to full inventory";
constexpr hx::ResultT LOG_FULL_INVENTORY = TrkMsg(0x0065);
constexpr const char* TXT_FULL_INVENTORY = "\x01\x01i\x01" "Generating a full inventory";
constexpr hx::ResultT LOG_DELTA_INVENTORY = TrkMsg(0x0066);
constexpr const char* TXT_DELTA_INVENTORY = "\x01\x01i\x01" "Generating an inventory delta (generation %1$s of %2$s)";
constexpr hx::ResultT LOG_UPLOAD_STARTED = TrkMsg(0x0011);
constexpr const char* TXT_UPLOAD_STARTED = "\x01\x01i\x01Started uploading inventory";

// The run's own files.
constexpr hx::ResultT LOG_LINK_REFUSED = TrkMsg(0x0072);
constexpr const char* TXT_LINK_REFUSED = "\x01\x01w\x01WARNING: '%1$s' is a symbolic link where hxtrack keeps a "
                                         "file of its own; it is neither followed nor used";
constexpr hx::ResultT LOG_STALE_REMOVED = TrkMsg(0x0073);
constexpr const char* TXT_STALE_REMOVED = "\x01\x01i\x01Removed %1$lu temporary file(s) that killed runs left in '%2$s'";
constexpr hx::ResultT LOG_TEMP_FAILED = TrkMsg(0x0075);
constexpr const char* TXT_TEMP_FAILED = "\x01\x01" "e\x01" "ERROR: Could not write %1$s in the temporary directory '%2$s': %3$s";

// Phases.
constexpr hx::ResultT LOG_HARDWARE_STARTED = TrkMsg(0x003C);
constexpr const char* TXT_HARDWARE_STARTED = "\x01\x01i\x01Started tracking hardware";
constexpr hx::ResultT LOG_HARDWARE_FINISHED = TrkMsg(0x003D);
constexpr const char* TXT_HARDWARE_FINISHED = "\x01\x01i\x01" "Finished tracking hardware";

// Progress texts.
constexpr hx::ResultT PRG_INITIALISING = TrkMsg(0x00F1);
constexpr const char* TXT_INITIALISING = "Initialising";
constexpr hx::ResultT PRG_HARDWARE = TrkMsg(0x00F2);
constexpr const char* TXT_PRG_HARDWARE = "Searching for hardware";
constexpr hx::ResultT PRG_SOFTWARE = TrkMsg(0x00F5);
constexpr const char* TXT_PRG_SOFTWARE = "Searching for software";
constexpr hx::ResultT PRG_GENERATING = TrkMsg(0x00F7);
constexpr const char* TXT_PRG_GENERATING = "Generating inventory '%1$s'";
constexpr hx::ResultT PRG_COMPRESSING = TrkMsg(0x00F8);
constexpr const char* TXT_PRG_COMPRESSING = "Compressing inventory '%1$s' to '%2$s'";
constexpr hx::ResultT PRG_UPLOADING = TrkMsg(0x00F9);
constexpr const char* TXT_PRG_UPLOADING = "Uploading inventory";
constexpr hx::ResultT PRG_OWN_PACKAGES = TrkMsg(0x00FA);
constexpr const char* TXT_PRG_OWN_PACKAGES = "Searching for Prandex packages";
constexpr hx::ResultT PRG_NATIVE_PACKAGES = TrkMsg(0x00FE);
constexpr const char* TXT_PRG_NATIVE_PACKAGES = "Searching the native package database";

// Trace categories.
constexpr const char* c_TraceGenerate = "Tracker/Inventory/Generate";
constexpr const char* c_TraceRun = "Tracker/Run";

}  // namespace trk::run
