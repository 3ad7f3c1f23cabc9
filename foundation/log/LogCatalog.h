#pragma once
// The log message catalog: localised texts of log messages by id, with the caller's default
// text when the catalog does not have the id. The one place where logging looks texts up.

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/messages/Errors.h"

class log_CatalogC {
 public:
  // Opens the catalog at `path` ("%L" allowed); a catalog that cannot be opened is empty.
  explicit log_CatalogC(const std::string& path);
  ~log_CatalogC();
  log_CatalogC(const log_CatalogC&) = delete;
  log_CatalogC& operator=(const log_CatalogC&) = delete;

  // The text of `id` with its markup applied (else `defaultText`'s); sev gets its severity.
  std::string GetMessage(ErrSevT& sev, int32_t id, const char* defaultText) const;
  bool IsOpen() const;

 private:
  struct ImplT;
  std::unique_ptr<ImplT> impl_;
};
