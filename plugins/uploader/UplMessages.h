#pragma once
// Message ids of the uploader library: the failures it reports to the run and the lines it
// logs about deliveries and the spool.

#include "foundation/core/Result.h"

namespace upl {

constexpr uint32_t c_UploaderSet = 0xE06B0400u;

// A failed delivery: which kind of failure decides the id, the text says where and why.
constexpr hx::ResultT MSG_SERVER_STATUS = hx::ToResult(c_UploaderSet | 0x01u);  // an answer other than 2xx
constexpr hx::ResultT MSG_CONNECT = hx::ToResult(c_UploaderSet | 0x02u);        // no connection
constexpr hx::ResultT MSG_STALLED = hx::ToResult(c_UploaderSet | 0x03u);        // no progress within UploadTimeout
constexpr hx::ResultT MSG_SECURITY = hx::ToResult(c_UploaderSet | 0x04u);       // the server could not be verified
constexpr hx::ResultT MSG_TRANSFER = hx::ToResult(c_UploaderSet | 0x05u);       // any other transfer failure
constexpr hx::ResultT MSG_SPOOL = hx::ToResult(c_UploaderSet | 0x06u);          // the spool cannot be used
constexpr hx::ResultT MSG_STOPPED = hx::ToResult(c_UploaderSet | 0x07u);        // the run is being stopped
constexpr hx::ResultT MSG_REQUEST_TIMEOUT = hx::ToResult(c_UploaderSet | 0x08u);  // a request past UploadRequestTimeout
constexpr hx::ResultT MSG_NAMES_TAKEN = hx::ToResult(c_UploaderSet | 0x09u);    // the server took none of the names tried
constexpr hx::ResultT MSG_UNTRUSTED = hx::ToResult(c_UploaderSet | 0x0Au);      // the delivery directory is not trusted
// No server is configured: the location hangs off a top-level directory that does not exist
// (an empty ServerLocation gives "/Inventories"). Logged, not reported: what was staged waits.
constexpr hx::ResultT MSG_NO_SERVER = hx::ToResult(c_UploaderSet | 0x0Bu);

// Log lines.
constexpr hx::ResultT LOG_DELIVERED = hx::ToResult(c_UploaderSet | 0x10u);
constexpr hx::ResultT LOG_SPOOLED = hx::ToResult(c_UploaderSet | 0x11u);
constexpr hx::ResultT LOG_DROPPED = hx::ToResult(c_UploaderSet | 0x12u);
constexpr hx::ResultT LOG_UNVERIFIED = hx::ToResult(c_UploaderSet | 0x13u);

}  // namespace upl
