#pragma once
// Message ids and default texts of compression, upload and the loading of the uploader.

#include "prefs/tracker/TrkMessages.h"

namespace trk::staging {

constexpr hx::ResultT LOG_COMPRESS_STARTED = TrkMsg(0x000F);
constexpr const char* TXT_COMPRESS_STARTED = "\x01\x01i\x01Started compressing inventory";
constexpr hx::ResultT LOG_COMPRESS_FINISHED = TrkMsg(0x0010);
constexpr const char* TXT_COMPRESS_FINISHED = "\x01\x01i\x01" "Finished compressing inventory";
constexpr hx::ResultT MSG_COMPRESS_FAILED = TrkMsg(0x0106);
constexpr const char* TXT_COMPRESS_FAILED = "\x01\x01" "e\x01Prandex could not compress the inventory.";

constexpr hx::ResultT LOG_UPLOAD_STARTED = TrkMsg(0x0011);
constexpr const char* TXT_UPLOAD_STARTED = "\x01\x01i\x01Started uploading inventory";
constexpr hx::ResultT LOG_UPLOAD_FINISHED = TrkMsg(0x0012);
constexpr const char* TXT_UPLOAD_FINISHED = "\x01\x01i\x01" "Finished uploading inventory";
constexpr hx::ResultT MSG_UPLOAD_FAILED = TrkMsg(0x0107);
constexpr const char* TXT_UPLOAD_FAILED = "\x01\x01" "e\x01Prandex could not upload the inventory.";
constexpr hx::ResultT LOG_UPLOAD_FAILED = TrkMsg(0x0064);
constexpr const char* TXT_LOG_UPLOAD_FAILED = "\x01\x01" "e\x01Unable to upload inventory file(s)";

// The loader of the uploader library reports in the set of the shared client library.
constexpr hx::ResultT MSG_LOAD_LIBRARY = hx::ToResult(0xE06B035Cu);
constexpr const char* TXT_LOAD_LIBRARY = "\x01\x01" "e\x01" "Failed to load library %1$s: %2$s";
constexpr hx::ResultT MSG_LOOKUP_FUNCTION = hx::ToResult(0xE06B035Du);
constexpr const char* TXT_LOOKUP_FUNCTION = "\x01\x01" "e\x01" "Failed to lookup function %1$s: %2$s";

// The uploader dropped a file from its spool: the server's chain of generations has a hole.
constexpr hx::ResultT LOG_FULL_REQUESTED = TrkMsg(0x007D);
constexpr const char* TXT_FULL_REQUESTED =
    "\x01\x01w\x01WARNING: A file waiting for upload was dropped from the spool; this run sends a full inventory";

constexpr const char* c_TraceCompress = "Tracker/Inventory/Compress";
constexpr const char* c_TraceUpload = "Tracker/Inventory/Upload";

}  // namespace trk::staging
