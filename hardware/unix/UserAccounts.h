#pragma once
// The machine's user accounts as the DB2 provider needs them: the home directory of an
// instance owner and the login name of a numeric user id.
//
// A fixture machine (a system root) answers from its own "<root>/etc/passwd" when it has one,
// read carefully like every machine file (a file others could change counts as missing).
// Without a system root, and on a root without that file, the live password database answers
// (getpwnam, getpwuid: local files and every name service the host uses).

#include <cstdint>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace hx {

// false when the user is unknown or has no home directory. `shell`, when given, receives the
// login shell ("" when the account names none).
HX_NODISCARD bool LookupUserHome(const StringC& user, StringC& home, StringC* shell = nullptr);
// false when no account has this id.
HX_NODISCARD bool LookupUserName(uint64_t uid, StringC& name);

// Pure readers of passwd text ("name:password:uid:gid:gecos:home:shell" lines; lines with
// fewer fields or a uid that is not a number are skipped). The first match wins.
HX_NODISCARD bool FindPasswdHome(std::string_view passwd, std::string_view user, StringC& home, StringC* shell = nullptr);
HX_NODISCARD bool FindPasswdName(std::string_view passwd, uint64_t uid, StringC& name);

}  // namespace hx
