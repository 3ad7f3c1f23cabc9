#include "foundation/core/TraceHook.h"

#include <atomic>

namespace hx {

namespace {
std::atomic<const TraceHookT*> s_Hook{nullptr};
}  // namespace

void InstallTraceHook(const TraceHookT* hook) { s_Hook.store(hook, std::memory_order_release); }

bool HookTraceEnabled(std::string_view category) {
  const TraceHookT* hook = s_Hook.load(std::memory_order_acquire);
  return hook != nullptr && hook->enabled(category);
}

void HookTraceArgs(std::string_view category, std::string_view format, const ArgListC& args) {
  const TraceHookT* hook = s_Hook.load(std::memory_order_acquire);
  if (hook != nullptr) hook->traceArgs(category, format, args);
}

}  // namespace hx
