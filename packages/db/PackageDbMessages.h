#pragma once
// Result codes and messages of the package database (the package-handling message set).

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

namespace trk {

HX_NODISCARD constexpr hx::ResultT PkgMsg(uint32_t number) { return hx::ToResult(hx::MSGSET_PACKAGE | number); }

constexpr hx::ResultT MSG_PKGDB_ADD = PkgMsg(0x012C);
constexpr const char* TXT_PKGDB_ADD = "\x01\x01" "e\x01" "Failed to add an entry to the package database.";
constexpr hx::ResultT MSG_PKGDB_LIST = PkgMsg(0x012D);
constexpr const char* TXT_PKGDB_LIST = "\x01\x01" "e\x01" "Failed to list packages of type %S for database %S";
constexpr hx::ResultT MSG_PKGDB_CREATE = PkgMsg(0x012E);
constexpr const char* TXT_PKGDB_CREATE = "\x01\x01" "e\x01" "Failed to create the package database %S";
constexpr hx::ResultT MSG_PKGDB_OPERATION = PkgMsg(0x012F);
constexpr const char* TXT_PKGDB_OPERATION = "\x01\x01" "e\x01" "Failed to perform an operation on the package database %S";
constexpr hx::ResultT MSG_PKGDB_OPEN = PkgMsg(0x0130);
constexpr const char* TXT_PKGDB_OPEN = "\x01\x01" "e\x01" "Failed to open the package database %S";
// A path no package owns (no message).
constexpr hx::ResultT RC_PKGDB_NOT_FOUND = PkgMsg(0x0131);
constexpr hx::ResultT MSG_PKGDB_BUSY = PkgMsg(0x0132);
constexpr const char* TXT_PKGDB_BUSY = "\x01\x01" "e\x01" "The package database %S is already being populated";
constexpr hx::ResultT MSG_PKGDB_RENAME = PkgMsg(0x0133);
constexpr const char* TXT_PKGDB_RENAME = "\x01\x01" "e\x01" "Failed to rename package database to %S";

}  // namespace trk
