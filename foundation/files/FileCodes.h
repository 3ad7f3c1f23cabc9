#pragma once
// Result codes and flag words of the file service.

#include <cstdint>

#include "foundation/core/Result.h"

namespace hx {

// The walker has no more entries (also after a cancel).
constexpr ResultT RC_LIST_END = ToResult(0xE0CB0001u);

// Flag words of FileServiceC::getLister and walk.
constexpr uint32_t LIST_RECURSE = 1;         // enter the directories met
constexpr uint32_t LIST_FOLLOW_LINKS = 2;    // status of a link is that of its target
constexpr uint32_t LIST_RELATIVE_NAMES = 4;  // names relative to the root
constexpr uint32_t LIST_DOTDOT = 8;          // also the ".." entry of every directory

// Flag word of FileServiceC::remove.
constexpr uint32_t REMOVE_RECURSIVE = 1;  // a directory with everything below it

}  // namespace hx
