#pragma once
// Command-line overrides of typed configuration values: a process-wide map from an override
// name to the texts given for it, in the order given. A value that has a command-line name
// and an override reads the override instead of the registry.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"

// Appends `value` to the overrides of `name` (names compare without regard to case).
void ConfVarSetCmdline(const StringC& name, const StringC& value);
// The first override of `name`: 0, or CONF_VAR_E_NO_CMDLINE when it has none.
HX_NODISCARD hx::ResultT ConfVarGetCmdline(const StringC& name, StringC* value);
// All overrides of `name`. The list stays valid until the next change of that name's overrides.
HX_NODISCARD hx::ResultT ConfVarGetCmdlines(const StringC& name, StringArrayC const** values);
