#pragma once
// Reading the default gateway from the routing table that `netstat -nr` prints. Solaris names
// the default route "default", Linux prints its destination as "0.0.0.0"; in both the
// gateway is the second column.

#include "foundation/core/Text.h"

namespace hx {

// The second word of the first line that begins with "default" or "0.0.0.0"; empty when there
// is no such line or it has a single word. Only that first line is looked at.
StringC FindDefaultGateway(const StringArrayC& lines);

}  // namespace hx
