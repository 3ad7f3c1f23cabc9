#include "foundation/messages/ErrCatSwitch.h"

#include <cstdlib>
#include <cstring>

#include "foundation/core/Result.h"
#include "foundation/core/TraceHook.h"
#include "foundation/messages/MessageId.h"

namespace {

constexpr const char* kTraceCategory = "Error/Catalog";
constexpr const char* kInstallDirVariable = "TARVOSKINSTALLDIR";
constexpr const char* kModuleCatalogName = "allcat.%L.cat";
constexpr char kGroupStart = '\x01';

std::mutex g_installDirLock;
std::function<std::string()> g_installDirSource;

std::string InstallDirFromEnvironment() {
  const char* dir = std::getenv(kInstallDirVariable);
  return dir ? dir : "";
}

}  // namespace

namespace hx {

void SetInstallDirSource(std::function<std::string()> source) {
  std::lock_guard<std::mutex> g(g_installDirLock);
  g_installDirSource = std::move(source);
}

std::string GetInstallDir() {
  std::function<std::string()> source;
  {
    std::lock_guard<std::mutex> g(g_installDirLock);
    source = g_installDirSource;
  }
  return source ? source() : InstallDirFromEnvironment();
}

std::string ModuleCatalogPath(const std::string& installDir) {
  if (installDir.empty()) return kModuleCatalogName;
  return installDir + "/lib/" + kModuleCatalogName;
}

}  // namespace hx

// --- ErrSystemCatalogC

std::string ErrSystemCatalogC::getMessage(ErrSevT& sev, int32_t id, const char* defaultText,
                                          const char* /*style*/) const {
  sev = ErrSevError;
  std::lock_guard<std::mutex> g(lock_);
  if (hx::MsgHasCatalogBit(id) && hx::MsgSet(id) == 0) {
    // strerror may hand out a shared buffer; the lock keeps concurrent callers apart.
    return std::strerror(static_cast<int>(hx::MsgNumber(id)));
  }
  if (defaultText != nullptr && *defaultText != '\0') return ApplyMarkup(defaultText, sev, userLevel_);
  return std::string();
}

void ErrSystemCatalogC::setUserLevel(const std::string& level) {
  std::lock_guard<std::mutex> g(lock_);
  userLevel_ = level;
}

// --- LocaleLanguageC

LocaleLanguageC::LocaleLanguageC() : catalog_(std::make_shared<ErrCatalogC>(std::string())) {}

int32_t LocaleLanguageC::catalog(const std::string& path) {
  auto fresh = std::make_shared<ErrCatalogC>(path);
  const bool usable = path.empty() || fresh->isOpen();
  std::lock_guard<std::mutex> g(lock_);
  fresh->setUserLevel(userLevel_);
  catalog_ = std::move(fresh);  // a lookup still reading the old catalog keeps it alive
  return usable ? hx::RC_OK : hx::RC_FAIL;
}

std::shared_ptr<const ErrCatalogC> LocaleLanguageC::current() const {
  std::lock_guard<std::mutex> g(lock_);
  return catalog_;
}

std::string LocaleLanguageC::getMessage(ErrSevT& sev, int32_t id, const char* style) const {
  const auto cat = current();
  sev = ErrSevError;
  if (const auto raw = cat->getMessage(id)) return ApplyMarkup(*raw, sev, cat->userLevel());
  // A catalog set without the text has no other source; only system error numbers have one.
  if (hx::MsgHasCatalogBit(id) && hx::MsgSet(id) != 0) return std::string();
  return system_.getMessage(sev, id, nullptr, style);
}

void LocaleLanguageC::setUserLevel(const std::string& level) {
  std::lock_guard<std::mutex> g(lock_);
  userLevel_ = level;
  catalog_->setUserLevel(level);
  system_.setUserLevel(level);
}

// --- ErrCatSwitchC

std::shared_ptr<const ErrCatalogC> ErrCatSwitchC::moduleCatalog() const { return std::atomic_load(&module_); }

void ErrCatSwitchC::openModuleCatalog() {
  if (std::atomic_load(&module_)) return;
  auto fresh = std::make_shared<ErrCatalogC>(hx::ModuleCatalogPath(hx::GetInstallDir()));
  {
    std::lock_guard<std::mutex> g(lock_);
    fresh->setUserLevel(userLevel_);
  }
  std::shared_ptr<ErrCatalogC> none;
  std::atomic_compare_exchange_strong(&module_, &none, fresh);
}

void ErrCatSwitchC::disableModuleCatalog() {
  std::atomic_store(&module_, std::make_shared<ErrCatalogC>(std::string()));
  hx::HookTrace(kTraceCategory, "Replaced previous catalog with empty one");
}

LocaleLanguageC& ErrCatSwitchC::language() const {
  const std::string locale = hx::MessageLocaleName();
  std::lock_guard<std::mutex> g(lock_);
  auto& slot = languages_[locale];
  if (!slot) {
    slot = std::make_unique<LocaleLanguageC>();
    slot->setUserLevel(userLevel_);
  }
  return *slot;  // language objects live as long as the switch, so the reference stays valid
}

int32_t ErrCatSwitchC::setProcessCatalog(const std::string& path) { return language().catalog(path); }

std::string ErrCatSwitchC::getMessage(ErrSevT& sev, int32_t id, const char* defaultText, const char* style) const {
  if (const auto module = moduleCatalog()) {
    std::string text = module->getMessage(sev, id, nullptr, style);
    if (!text.empty()) {
      hx::HookTrace(kTraceCategory, "Message s%dm%d from module catalog: %S", hx::MsgSet(id), hx::MsgNumber(id), text);
      return text;
    }
  }
  std::string text = language().getMessage(sev, id, style);
  if (!text.empty()) {
    hx::HookTrace(kTraceCategory, "Message s%dm%d from process catalog: %S", hx::MsgSet(id), hx::MsgNumber(id), text);
    return text;
  }
  sev = ErrSevError;
  if (defaultText == nullptr) return std::string();
  if (defaultText[0] == kGroupStart || defaultText[0] == '{') {
    std::lock_guard<std::mutex> g(lock_);
    return ApplyMarkup(defaultText, sev, userLevel_);
  }
  return defaultText;
}

void ErrCatSwitchC::setUserLevel(const std::string& level) {
  std::lock_guard<std::mutex> g(lock_);
  userLevel_ = level;
  if (const auto module = std::atomic_load(&module_)) module->setUserLevel(level);
  for (auto& kv : languages_) kv.second->setUserLevel(level);
}

// --- process-wide functions

ErrCatSwitchC& ErrGetCat() {
  // Never destroyed: messages may still be looked up while the process exits.
  static ErrCatSwitchC* const s_switch = [] {
    auto* sw = new ErrCatSwitchC;
    sw->openModuleCatalog();
    return sw;
  }();
  return *s_switch;
}

int32_t ErrSetCat(const char* path) {
  const std::string p = path ? path : "";
  hx::HookTrace(kTraceCategory, "Setting process message catalog to %s", p);
  return ErrGetCat().setProcessCatalog(p);
}

int32_t ErrDisableModuleCat() {
  ErrGetCat().disableModuleCatalog();
  return hx::RC_OK;
}

int32_t ErrSetModuleCat(const char* /*path*/) { return hx::RC_OK; }
