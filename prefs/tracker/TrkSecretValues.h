#pragma once
// The passwords that db2users carries ("user:password" entries, or a password alone) never
// reach the log or the trace: what shows a db2users value shows it masked.

#include <string_view>

#include "foundation/core/Text.h"

namespace trk {

// A db2users value with every password replaced by "***": "user:pw" gives "user:***" and a
// password alone "***"; the list separators "," and ";" stay where they are.
StringC MaskDB2UsersValue(std::string_view value);

// A command-line argument with the value of a "db2users=" in it (the name in any case, as
// in "-odb2users=..." or "db2users=...") masked.
StringC MaskSecretArgument(std::string_view argument);

}  // namespace trk
