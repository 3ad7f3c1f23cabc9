#include "foundation/log/LogCatalog.h"

#include "foundation/messages/ErrCatalog.h"

struct log_CatalogC::ImplT {
  explicit ImplT(const std::string& path) : catalog(path) {}
  ErrCatalogC catalog;
};

std::string log_CatalogC::GetMessage(ErrSevT& sev, int32_t id, const char* defaultText) const {
  return impl_->catalog.getMessage(sev, id, defaultText);
}

bool log_CatalogC::IsOpen() const { return impl_->catalog.isOpen(); }

log_CatalogC::log_CatalogC(const std::string& path) : impl_(std::make_unique<ImplT>(path)) {}

log_CatalogC::~log_CatalogC() = default;
