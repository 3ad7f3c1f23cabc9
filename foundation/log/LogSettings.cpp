#include "foundation/log/LogSettings.h"

#include <atomic>

namespace hx {
namespace {
std::atomic<LogSettingsI*> g_settings{nullptr};
}

void SetLogSettings(LogSettingsI* settings) { g_settings.store(settings, std::memory_order_release); }

LogSettingsI* GetLogSettings() { return g_settings.load(std::memory_order_acquire); }

std::string LogSetting(const char* name, const std::string& fallback) {
  LogSettingsI* settings = GetLogSettings();
  std::string value;
  if (settings != nullptr && settings->Get(name, value)) return value;
  return fallback;
}

}  // namespace hx
