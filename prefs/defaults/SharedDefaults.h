#pragma once
// The agent's shared defaults: an ordered table of (name, default text) pairs ended by an entry
// without a name, and the shorter table of security defaults. The shared table is process-wide
// and a few of its texts are changed from facts of the machine before it is applied (the
// program directory, the browser and the operating system), so a later application sees the
// changed texts.

#include <cstddef>

#include "foundation/core/Text.h"

struct env_DefValueC {
  const char* name;  // null ends a table
  StringC text;
};

// The process-wide shared table (129 pairs and the end entry).
env_DefValueC* env_SharedDefaults();
// The security table (9 pairs and the end entry).
const env_DefValueC* env_SecurityDefaults();
// The first entry of `name` in the shared table; null when it has none.
env_DefValueC* env_FindSharedDefault(const char* name);
// Puts the built-in texts back (the machine's facts are taken again on the next build).
void env_RestoreSharedDefaults();
