#pragma once
// Message ids and default texts of preference loading and validation. Error texts carry the
// error class, the others the information class; the message catalogs may replace any text.

#include "foundation/core/Result.h"
#include "foundation/messages/TrackerMessages.h"

namespace trk {

// The closing line of a step in the log: a row of 60 asterisks.
constexpr hx::ResultT MSG_SEPARATOR = TrkMsg(0x0001);
constexpr const char* TXT_SEPARATOR =
    "\x01\x01i\x01************************************************************";
constexpr hx::ResultT MSG_PROGRAM_ARGUMENTS = TrkMsg(0x0009);
constexpr const char* TXT_PROGRAM_ARGUMENTS = "\x01\x01i\x01Program arguments are '%1$s'";
constexpr hx::ResultT MSG_PREFERENCES_LOADED = TrkMsg(0x000C);
constexpr const char* TXT_PREFERENCES_LOADED = "\x01\x01i\x01Preferences loaded";

// Command line.
constexpr hx::ResultT MSG_INVALID_OPTION = TrkMsg(0x0109);
constexpr const char* TXT_INVALID_OPTION = "\x01\x01" "e\x01'%1$s' is not a valid command-line option.";
constexpr hx::ResultT LOG_INVALID_OPTION = TrkMsg(0x0022);
constexpr const char* TXT_LOG_INVALID_OPTION = "\x01\x01" "e\x01""ERROR: '%1$s' is not a valid command-line option";

// Validation.
constexpr hx::ResultT MSG_BAD_INCLUDE_MD5 = TrkMsg(0x010A);
constexpr const char* TXT_BAD_INCLUDE_MD5 = "\x01\x01" "e\x01Preference 'IncludeMD5' must be a hexadecimal MD5 digest.";
constexpr hx::ResultT LOG_BAD_INCLUDE_MD5 = TrkMsg(0x0023);
constexpr const char* TXT_LOG_BAD_INCLUDE_MD5 =
    "\x01\x01" "e\x01""ERROR: Preference 'IncludeMD5' is invalid: must be hex MD5 digest";
constexpr hx::ResultT MSG_BAD_EXCLUDE_MD5 = TrkMsg(0x010B);
constexpr const char* TXT_BAD_EXCLUDE_MD5 = "\x01\x01" "e\x01Preference 'ExcludeMD5' must be a hexadecimal MD5 digest.";
constexpr hx::ResultT LOG_BAD_EXCLUDE_MD5 = TrkMsg(0x0024);
constexpr const char* TXT_LOG_BAD_EXCLUDE_MD5 =
    "\x01\x01" "e\x01""ERROR: Preference 'ExcludeMD5' is invalid: must be hex MD5 digest";
constexpr hx::ResultT MSG_NOT_BOOLEAN = TrkMsg(0x010C);
constexpr const char* TXT_NOT_BOOLEAN = "\x01\x01" "e\x01Preference '%1$s' must be a boolean value.";
constexpr hx::ResultT LOG_NOT_BOOLEAN = TrkMsg(0x0025);
constexpr const char* TXT_LOG_NOT_BOOLEAN = "\x01\x01" "e\x01""ERROR: Preference '%1$s' is invalid: must be boolean value";
constexpr hx::ResultT MSG_BAD_INTERACTION_LEVEL = TrkMsg(0x010D);
constexpr const char* TXT_BAD_INTERACTION_LEVEL =
    "\x01\x01" "e\x01Preference 'UserInteractionLevel' must be 'FULL', 'STATUS', 'AUTO' or 'QUIET'.";
constexpr hx::ResultT LOG_BAD_INTERACTION_LEVEL = TrkMsg(0x0026);
constexpr const char* TXT_LOG_BAD_INTERACTION_LEVEL =
    "\x01\x01" "e\x01""ERROR: Preference 'UserInteractionLevel' is invalid: must be 'FULL', 'STATUS' , 'AUTO' or 'QUIET'";
constexpr hx::ResultT MSG_BAD_INVENTORY_TYPE = TrkMsg(0x010E);
constexpr const char* TXT_BAD_INVENTORY_TYPE = "\x01\x01" "e\x01Preference 'InventoryType' must be 'Machine' or 'User'.";
constexpr hx::ResultT LOG_BAD_INVENTORY_TYPE = TrkMsg(0x0029);
constexpr const char* TXT_LOG_BAD_INVENTORY_TYPE =
    "\x01\x01i\x01""ERROR: Preference 'InventoryType' is invalid: must be 'Machine' or 'User'";
constexpr hx::ResultT LOG_BAD_PROGRESS_DEPTH = TrkMsg(0x0028);
constexpr const char* TXT_LOG_BAD_PROGRESS_DEPTH =
    "\x01\x01i\x01WARNING: Preference 'ProgressDepth' is invalid: Default to 3";

}  // namespace trk
