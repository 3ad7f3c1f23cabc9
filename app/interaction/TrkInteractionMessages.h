#pragma once
// Message ids and default texts of progress and interaction. The window texts are plain (the
// catalogs may translate them); the log line carries its class like every log text.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace trk {

HX_NODISCARD constexpr hx::ResultT InteractionMsg(uint32_t number) { return hx::ToResult(hx::MSGSET_TRACKER | number); }

// The start-up question.
constexpr hx::ResultT MSG_STARTUP_TITLE = InteractionMsg(0x00D2);
constexpr const char* TXT_STARTUP_TITLE = "Gathering inventory";
constexpr hx::ResultT MSG_STARTUP_TEXT = InteractionMsg(0x00D3);
constexpr const char* TXT_STARTUP_TEXT =
    "Prandex will generate an inventory of hardware and software on your computer.\n\nDo you wish to continue?";

// The status window and its first-level items.
constexpr hx::ResultT MSG_STATUS_TITLE = InteractionMsg(0x00F0);
constexpr const char* TXT_STATUS_TITLE = "Gathering inventory";
constexpr hx::ResultT MSG_ITEM_INITIALIZATION = InteractionMsg(0x00C8);
constexpr const char* TXT_ITEM_INITIALIZATION = "Initialization";
constexpr hx::ResultT MSG_ITEM_TRACKING = InteractionMsg(0x00C9);
constexpr const char* TXT_ITEM_TRACKING = "Tracking";
constexpr hx::ResultT MSG_ITEM_GENERATE = InteractionMsg(0x00CF);
constexpr const char* TXT_ITEM_GENERATE = "Generate inventory";
constexpr hx::ResultT MSG_ITEM_COMPRESS = InteractionMsg(0x00CE);
constexpr const char* TXT_ITEM_COMPRESS = "Compress inventory";
constexpr hx::ResultT MSG_ITEM_UPLOAD = InteractionMsg(0x00D0);
constexpr const char* TXT_ITEM_UPLOAD = "Upload inventory";

// The second-level items under "Tracking".
constexpr hx::ResultT MSG_ITEM_HARDWARE = InteractionMsg(0x00CA);
constexpr const char* TXT_ITEM_HARDWARE = "Hardware";
constexpr hx::ResultT MSG_ITEM_FILE_SCAN = InteractionMsg(0x00F5);
constexpr const char* TXT_ITEM_FILE_SCAN = "Searching for software";
constexpr hx::ResultT MSG_ITEM_REGISTRY = InteractionMsg(0x00CB);
constexpr const char* TXT_ITEM_REGISTRY = "Windows registry";
constexpr hx::ResultT MSG_ITEM_INSTALLER = InteractionMsg(0x00CC);
constexpr const char* TXT_ITEM_INSTALLER = "Windows Installer";
constexpr hx::ResultT MSG_ITEM_OWN_PACKAGES = InteractionMsg(0x00D1);
constexpr const char* TXT_ITEM_OWN_PACKAGES = "Prandex packages";
constexpr hx::ResultT MSG_ITEM_PATCHES = InteractionMsg(0x00FC);
constexpr const char* TXT_ITEM_PATCHES = "Security patches";
constexpr hx::ResultT MSG_ITEM_SOFTWARE = InteractionMsg(0x00CD);
constexpr const char* TXT_ITEM_SOFTWARE = "Software";

// The finished window.
constexpr hx::ResultT MSG_FINISHED_TITLE = InteractionMsg(0x00DC);
constexpr const char* TXT_FINISHED_TITLE = "Completed inventory";
constexpr hx::ResultT MSG_FINISHED_TEXT = InteractionMsg(0x00DD);
constexpr const char* TXT_FINISHED_TEXT =
    "Prandex has successfully generated an inventory of hardware and software on your computer.";

// The detail lines of long steps (shown on a terminal only, never logged).
constexpr hx::ResultT MSG_FILES_EXAMINED = InteractionMsg(0x0190);
constexpr const char* TXT_FILES_EXAMINED = "%1$s files, %2$s bytes examined in %3$s";
constexpr hx::ResultT MSG_LISTING_PACKAGES = InteractionMsg(0x0191);
constexpr const char* TXT_LISTING_PACKAGES = "Listing packages of type %1$s";

// Logged when the person cancels the run.
constexpr hx::ResultT LOG_TERMINATED_BY_USER = InteractionMsg(0x0007);
constexpr const char* TXT_LOG_TERMINATED_BY_USER = "\x01\x01" "e\x01" "WARNING: Inventory tracking terminated by user";

}  // namespace trk
