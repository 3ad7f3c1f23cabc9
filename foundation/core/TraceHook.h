#pragma once
// Trace lines of the services the tracer stands on. The tracer (foundation/trace) checks its
// profile and its files with the trust checks and reports through the messages, so the file
// service and the messages with their catalogs cannot call it: they trace through this hook,
// which the process tracer fills when it is made. Before that nothing is traced, as nothing can
// be switched on before the tracer exists.
//
// Call sites:  hx::HookTrace("Foundation/Files", "Cannot create a temporary file in '%s'\n", dir);

#include <string_view>
#include <utility>

#include "foundation/core/Format.h"

namespace hx {

struct TraceHookT {
  bool (*enabled)(std::string_view category);
  void (*traceArgs)(std::string_view category, std::string_view format, const ArgListC& args);
};

// Installs the tracer's entry points; `hook` lives for the rest of the process.
void InstallTraceHook(const TraceHookT* hook);

bool HookTraceEnabled(std::string_view category);
void HookTraceArgs(std::string_view category, std::string_view format, const ArgListC& args);

template <typename... Args>
void HookTrace(std::string_view category, std::string_view format, Args&&... args) {
  if (HookTraceEnabled(category)) HookTraceArgs(category, format, ArgListC{ArgC(std::forward<Args>(args))...});
}

}  // namespace hx
