#include "foundation/trace/Tracer.h"

#include <atomic>
#include <map>
#include <mutex>

namespace hx {
namespace {

struct TraceStateT {
  std::mutex lock;
  std::map<std::string, bool, std::less<>> settings;  // explicit settings by category path
  std::atomic<bool> any{false};                       // fast path: nothing switched on
  std::FILE* out = nullptr;
};

TraceStateT& State() {
  static TraceStateT* s = new TraceStateT;  // never destroyed: tracing may run at exit
  return *s;
}

void Set(std::string_view category, int value) {
  TraceStateT& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  if (value < 0) {
    auto it = s.settings.find(category);
    if (it != s.settings.end()) s.settings.erase(it);
  } else {
    s.settings[std::string(category)] = value != 0;
  }
  bool any = false;
  for (const auto& kv : s.settings) any = any || kv.second;
  s.any.store(any);
}

}  // namespace

bool TraceEnabled(std::string_view category) {
  TraceStateT& s = State();
  if (!s.any.load(std::memory_order_relaxed)) return false;
  std::lock_guard<std::mutex> g(s.lock);
  // The nearest setting on the path from the category up to its first component decides.
  std::string_view c = category;
  while (!c.empty()) {
    auto it = s.settings.find(c);
    if (it != s.settings.end()) return it->second;
    const size_t slash = c.rfind('/');
    if (slash == std::string_view::npos) break;
    c = c.substr(0, slash);
  }
  return false;
}

void TraceArgs(std::string_view /*category*/, std::string_view format, const ArgListC& args) {
  const std::string line = FormatArgs(format, args);
  TraceStateT& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  std::FILE* out = s.out ? s.out : stderr;
  std::fwrite(line.data(), 1, line.size(), out);
  if (line.empty() || line.back() != '\n') std::fputc('\n', out);
  std::fflush(out);
}

void TraceEnable(std::string_view category) { Set(category, 1); }
void TraceDisable(std::string_view category) { Set(category, 0); }
void TraceInherit(std::string_view category) { Set(category, -1); }

void TraceSetOutput(std::FILE* out) {
  TraceStateT& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  s.out = out;
}

}  // namespace hx
