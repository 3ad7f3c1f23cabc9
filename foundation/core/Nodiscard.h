#pragma once
// HX_NODISCARD marks a result code that must not be dropped: a failed write, rename or
// registry save that nobody looks at is a lost inventory or a lost setting. A call site that
// means to ignore one says so with HX_IGNORE_RESULT and a comment why.

#define HX_NODISCARD [[nodiscard]]

// Drops a result on purpose; the comment beside the call says why.
#define HX_IGNORE_RESULT(expr) static_cast<void>(expr)
