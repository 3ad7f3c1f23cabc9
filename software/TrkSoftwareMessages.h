#pragma once
// Log lines of file tracking and of the package database update. All are informational lines
// of the general category; the message catalogs may replace any text.

#include "foundation/messages/TrackerMessages.h"

namespace trk {

#define HX_SW_INFO "\x01\x01" "i\x01"

constexpr hx::ResultT LOG_SW_STARTED = TrkMsg(0x0140);
constexpr const char* TXT_SW_STARTED = HX_SW_INFO "Started tracking software";
constexpr hx::ResultT LOG_SW_FINISHED = TrkMsg(0x0141);
constexpr const char* TXT_SW_FINISHED = HX_SW_INFO "Finished tracking software";
constexpr hx::ResultT LOG_FILES_STARTED = TrkMsg(0x0142);
constexpr const char* TXT_FILES_STARTED = HX_SW_INFO "Started tracking files";
constexpr hx::ResultT LOG_FILES_FINISHED = TrkMsg(0x0143);
constexpr const char* TXT_FILES_FINISHED = HX_SW_INFO "Finished tracking files";
constexpr hx::ResultT LOG_SCANNING = TrkMsg(0x0144);
constexpr const char* TXT_SCANNING = HX_SW_INFO "Scanning directory '%S' for files";
constexpr hx::ResultT LOG_EMBED_FAILED = TrkMsg(0x0146);
constexpr const char* TXT_EMBED_FAILED = HX_SW_INFO "Failed to include file content for '%S'";
constexpr hx::ResultT LOG_EMBED_TOO_LARGE = TrkMsg(0x0147);
constexpr const char* TXT_EMBED_TOO_LARGE =
    HX_SW_INFO "Ignoring file content '%S' ('%S') bytes which is larger than the limit of '%S' bytes";
constexpr hx::ResultT LOG_MOUNT = TrkMsg(0x0148);
constexpr const char* TXT_MOUNT = HX_SW_INFO "File tracking of files on mount point '%1$S' of type '%2$S' will be %3$S";
constexpr const char* c_Included = "included";
constexpr const char* c_Excluded = "excluded";

// The rule summary at the start of file tracking, one line per rule that is not empty.
constexpr hx::ResultT LOG_RULE_INCLUDE_DIRECTORY = TrkMsg(0x0149);
constexpr const char* TXT_RULE_INCLUDE_DIRECTORY = HX_SW_INFO "File tracking looking for files in directories '%S'";
constexpr hx::ResultT LOG_RULE_EXCLUDE_DIRECTORY = TrkMsg(0x014A);
constexpr const char* TXT_RULE_EXCLUDE_DIRECTORY = HX_SW_INFO "File tracking looking for files not in directories '%S'";
constexpr hx::ResultT LOG_RULE_INCLUDE_MD5 = TrkMsg(0x014B);
constexpr const char* TXT_RULE_INCLUDE_MD5 = HX_SW_INFO "File tracking looking for files with MD5 values '%S'";
constexpr hx::ResultT LOG_RULE_EXCLUDE_MD5 = TrkMsg(0x014C);
constexpr const char* TXT_RULE_EXCLUDE_MD5 = HX_SW_INFO "File tracking looking for files without MD5 values '%S'";
constexpr hx::ResultT LOG_RULE_INCLUDE_FILE = TrkMsg(0x014D);
constexpr const char* TXT_RULE_INCLUDE_FILE = HX_SW_INFO "File tracking looking for files with names '%S'";
constexpr hx::ResultT LOG_RULE_EXCLUDE_FILE = TrkMsg(0x014E);
constexpr const char* TXT_RULE_EXCLUDE_FILE = HX_SW_INFO "File tracking looking for files without names '%S'";
constexpr hx::ResultT LOG_RULE_INCLUDE_EXTENSION = TrkMsg(0x014F);
constexpr const char* TXT_RULE_INCLUDE_EXTENSION = HX_SW_INFO "File tracking looking for files with extensions '%S'";
constexpr hx::ResultT LOG_RULE_EMBED_EXTENSION = TrkMsg(0x0150);
constexpr const char* TXT_RULE_EMBED_EXTENSION =
    HX_SW_INFO "File tracking will include file content with extensions '%S'";
constexpr hx::ResultT LOG_RULE_EMBED_DIRECTORY = TrkMsg(0x0151);
constexpr const char* TXT_RULE_EMBED_DIRECTORY = HX_SW_INFO "File tracking will include file content for directories '%S'";
constexpr hx::ResultT LOG_RULE_EXCLUDE_EMBED_DIRECTORY = TrkMsg(0x0152);
constexpr const char* TXT_RULE_EXCLUDE_EMBED_DIRECTORY =
    HX_SW_INFO "File tracking will exclude file content for directories '%S'";
constexpr hx::ResultT LOG_RULE_EXCLUDE_EXTENSION = TrkMsg(0x0153);
constexpr const char* TXT_RULE_EXCLUDE_EXTENSION = HX_SW_INFO "File tracking looking for files without extensions '%S'";
constexpr hx::ResultT LOG_RULE_INCLUDE_MASK = TrkMsg(0x0154);
constexpr const char* TXT_RULE_INCLUDE_MASK = HX_SW_INFO "File tracking looking for files with permissions mask '%S'";
constexpr hx::ResultT LOG_RULE_EXCLUDE_MASK = TrkMsg(0x0155);
constexpr const char* TXT_RULE_EXCLUDE_MASK =
    HX_SW_INFO "File tracking looking to exclude files with permissions mask '%S'";

// The package database update at the start of software tracking.
constexpr hx::ResultT LOG_PKGDB_STARTED = TrkMsg(0x0156);
constexpr const char* TXT_PKGDB_STARTED =
    HX_SW_INFO "Started package database update for package types '%1$s' into '%2$s'";
constexpr hx::ResultT LOG_PKGDB_FINISHED = TrkMsg(0x0157);
constexpr const char* TXT_PKGDB_FINISHED = HX_SW_INFO "Finished updating package database";
constexpr hx::ResultT LOG_PKGDB_ERROR = TrkMsg(0x0158);
constexpr const char* TXT_PKGDB_ERROR = HX_SW_INFO "Error: %1$s";
constexpr hx::ResultT LOG_PKGDB_FAILED = TrkMsg(0x0159);
constexpr const char* TXT_PKGDB_FAILED = HX_SW_INFO "Package database update failed.  Return code %1$d";
constexpr hx::ResultT PRG_PKGDB = TrkMsg(0x00F6);
constexpr const char* TXT_PRG_PKGDB = "Generating package database cache";

// The digest cache: why a cache file is not used (the scan then reads every file).
constexpr hx::ResultT LOG_DIGEST_CACHE_IGNORED = TrkMsg(0x015A);
constexpr const char* TXT_DIGEST_CACHE_IGNORED = HX_SW_INFO "Digest cache '%1$s' is not used: %2$s";
constexpr hx::ResultT LOG_DIGEST_CACHE_NOT_SAVED = TrkMsg(0x015B);
constexpr const char* TXT_DIGEST_CACHE_NOT_SAVED = HX_SW_INFO "Digest cache '%1$s' could not be written: %2$s";
constexpr hx::ResultT LOG_DIGEST_COUNTS = TrkMsg(0x015C);
constexpr const char* TXT_DIGEST_COUNTS =
    HX_SW_INFO "File digests: %1$s files read, %2$s taken from the digest cache";

// What the scan leaves out because other users could lead it astray.
constexpr hx::ResultT LOG_DIR_REPLACED = TrkMsg(0x0169);
constexpr const char* TXT_DIR_REPLACED =
    HX_SW_INFO "Directory '%1$s' was replaced or removed while it was scanned; the rest of it is skipped";
constexpr hx::ResultT LOG_DIGEST_TOO_LARGE = TrkMsg(0x016A);
constexpr const char* TXT_DIGEST_TOO_LARGE =
    HX_SW_INFO "File '%1$s' is not read for its digest: its %2$s bytes are more than DigestMaxFileSize (%3$s)";
constexpr hx::ResultT LOG_CONTENT_NOT_TAKEN = TrkMsg(0x016B);
constexpr const char* TXT_CONTENT_NOT_TAKEN =
    HX_SW_INFO "The content of '%1$s' is not taken, only its digest: %2$s";

#undef HX_SW_INFO

// The trace category of the software step.
constexpr const char* c_TraceSoftware = "Tracker/Software";

}  // namespace trk
