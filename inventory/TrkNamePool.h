#pragma once
// One shared copy of every tag and attribute name. A file scan makes two entities and four
// attributes per file, all with the same few names; each entity and attribute keeps a pointer
// to the pooled name instead of a text of its own. Pooled names live as long as the process.

#include <string_view>

#include "foundation/core/Text.h"

namespace trk {

// The pooled copy of `name` (safe from any thread).
const StringC& PooledName(std::string_view name);

}  // namespace trk
