#pragma once
// The process-wide count of live component objects and server locks. While it is above zero
// the component code is in use (ComServerC::IsLocked), so a module must not be unloaded.

#include <atomic>

class ComServerCounterC {
 public:
  static long Increment() { return s_Count.fetch_add(1, std::memory_order_acq_rel) + 1; }
  static long Decrement() { return s_Count.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  static long GetCount() { return s_Count.load(std::memory_order_acquire); }

 private:
  static std::atomic<long> s_Count;
};
