#pragma once
// Message ids of the tracing service.

#include "foundation/core/Result.h"

namespace hx {

// "Cannot parse trace flags: "%1$s"" (the value of HXTRKTRACE).
constexpr ResultT kMsgCannotParseTraceFlags = ToResult(0xE0160014u);
// "Failed to open trace file" (a trace output that cannot be created).
constexpr ResultT kMsgTraceFileOpenFailed = ToResult(0xE0A303EFu);

}  // namespace hx
