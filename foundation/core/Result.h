#pragma once
// Result codes: signed 32-bit values, negative is failure. Every operation of hxtrack that can
// fail returns one of these (never an exception); a step that fails with a message returns the
// message id, which is itself a negative result code.

#include <cerrno>
#include <cstdint>

#include "foundation/core/Nodiscard.h"

namespace hx {

using ResultT = int32_t;

HX_NODISCARD constexpr ResultT ToResult(uint32_t bits) { return static_cast<ResultT>(bits); }

constexpr ResultT RC_OK = 0;
constexpr ResultT RC_FAIL = ToResult(0x80000001u);          // generic failure
constexpr ResultT RC_NO_RESOURCE = ToResult(0x80000002u);   // no error buffer or resource
constexpr ResultT RC_NO_INTERFACE = ToResult(0x80000003u);  // interface not supported, nothing created
constexpr ResultT RC_CLASS_NOT_REG = ToResult(0x80000005u); // class not registered
constexpr ResultT RC_INVALID_ARG = ToResult(0x80000006u);   // null or invalid argument
constexpr ResultT RC_NOT_IMPL = ToResult(0x80000008u);      // not implemented / not supported
constexpr ResultT RC_NULL_OUT = ToResult(0x80000009u);      // null out pointer

// An operating-system error number n is reported as 0xE0000000 | (n & 0xFFFF).
constexpr uint32_t RC_ERRNO_BASE = 0xE0000000u;
HX_NODISCARD constexpr ResultT RcFromErrno(int err) {
  return ToResult(RC_ERRNO_BASE | (static_cast<uint32_t>(err) & 0xFFFFu));
}
// The error number carried by a result made with RcFromErrno, or 0 for any other result.
constexpr int ErrnoFromRc(ResultT rc) {
  return (static_cast<uint32_t>(rc) & 0xFFFF0000u) == RC_ERRNO_BASE
             ? static_cast<int>(static_cast<uint32_t>(rc) & 0xFFFFu)
             : 0;
}

constexpr bool Failed(ResultT rc) { return rc < 0; }
constexpr bool Succeeded(ResultT rc) { return rc >= 0; }

// Message ids carry a set number in bits 27..16; these are the sets used by the foundation.
constexpr uint32_t MSGSET_TRACKER = 0xE0BD0000u;  // the tracker's own messages
constexpr uint32_t MSGSET_PACKAGE = 0xE1AA0000u;  // package handling
constexpr uint32_t MSGSET_PROCESS = 0xE1AC0000u;  // process handling
constexpr uint32_t MSGSET_DATETIME = 0xE0D70000u; // date and time values

}  // namespace hx
