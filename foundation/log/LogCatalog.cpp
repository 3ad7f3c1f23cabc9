#include "foundation/log/LogCatalog.h"

// The message catalogs arrive with their own service; until its header is present the log
// shows its default texts.
#if __has_include("foundation/messages/ErrCatalog.h")
#include "foundation/messages/ErrCatalog.h"
#define HX_LOG_HAS_CATALOG 1
#else
#define HX_LOG_HAS_CATALOG 0
#endif

#if HX_LOG_HAS_CATALOG

struct log_CatalogC::ImplT {
  explicit ImplT(const std::string& path) : catalog(path) {}
  ErrCatalogC catalog;
};

std::string log_CatalogC::GetMessage(ErrSevT& sev, int32_t id, const char* defaultText) const {
  return impl_->catalog.getMessage(sev, id, defaultText);
}

bool log_CatalogC::IsOpen() const { return impl_->catalog.isOpen(); }

#else

struct log_CatalogC::ImplT {
  explicit ImplT(const std::string& /*path*/) {}
};

std::string log_CatalogC::GetMessage(ErrSevT& sev, int32_t /*id*/, const char* defaultText) const {
  return ApplyMarkup(defaultText ? defaultText : "", sev);
}

bool log_CatalogC::IsOpen() const { return false; }

#endif

log_CatalogC::log_CatalogC(const std::string& path) : impl_(std::make_unique<ImplT>(path)) {}

log_CatalogC::~log_CatalogC() = default;
