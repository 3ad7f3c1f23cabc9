#pragma once
// The developer trace: lines in named, hierarchical categories ("Tracker/Inventory/Upload"),
// written only when a category is switched on. A category without its own setting inherits
// its parent's; everything is off by default. Formatting happens only for enabled categories.
//
// Call sites:  hx::Trace("Tracker/Software", "Directory tracked: %s\n", path);

#include <cstdio>
#include <string>
#include <string_view>

#include "foundation/core/Format.h"

namespace hx {

bool TraceEnabled(std::string_view category);
void TraceArgs(std::string_view category, std::string_view format, const ArgListC& args);

template <typename... Args>
void Trace(std::string_view category, std::string_view format, Args&&... args) {
  if (TraceEnabled(category)) TraceArgs(category, format, ArgListC{ArgC(std::forward<Args>(args))...});
}

// Switches a category (and, by inheritance, its children) on or off, or back to inheriting.
void TraceEnable(std::string_view category);
void TraceDisable(std::string_view category);
void TraceInherit(std::string_view category);
// Where trace lines go; null means standard error. The stream is not owned.
void TraceSetOutput(std::FILE* out);

}  // namespace hx
