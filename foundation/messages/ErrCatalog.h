#pragma once
// One message catalog file: localised message texts by message id (see CatalogFormat.h).
// A catalog that cannot be opened or read is simply empty: lookups then fall back to the
// next source and finally to the default text, so a broken or missing file never stops the
// program. Every lookup reads the file with positional reads, so one catalog can serve
// several threads without a lock.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/LocaleRegion.h"

class ErrCatalogC {
 public:
  // Opens the catalog at `path`; a "%L" in it is replaced by the codes of the process's
  // message locale (see CatalogPathCandidates for the order of the files tried). An empty
  // path makes an empty catalog.
  explicit ErrCatalogC(const std::string& path);
  ErrCatalogC(const std::string& path, const hx::LocaleRegionT& region);
  ~ErrCatalogC();
  ErrCatalogC(const ErrCatalogC&) = delete;
  ErrCatalogC& operator=(const ErrCatalogC&) = delete;

  // The text of `id` with markup applied; without a catalog text the markup is applied to
  // defaultText; with neither the result is empty. sev receives the severity (Error unless the
  // markup says otherwise). Styles do not select texts in this system.
  std::string getMessage(ErrSevT& sev, int32_t id, const char* defaultText, const char* style = nullptr) const;
  // Upper-case letters that open gated severity letters in the markup of this catalog's texts.
  void setUserLevel(const std::string& level);
  std::string userLevel() const;

  // The raw catalog text of `id`, markup included; none without the catalog bit or when the
  // file does not hold the id (or cannot be read where it should).
  std::optional<std::string> getMessage(int32_t id) const;

  bool isOpen() const { return fd_.valid(); }
  const std::string& path() const { return path_; }
  // The file actually opened (after "%L" was resolved); empty when none.
  const std::string& openedPath() const { return opened_; }
  uint32_t count() const { return count_; }

  // Opens a file read-only; no descriptor for anything that is not a readable regular file (a
  // FIFO or device would block or never end).
  static hx::UniqueFdC opencat(const std::string& path);

 private:
  void open(const hx::LocaleRegionT& region);
  HX_NODISCARD bool readHeader();

  std::string path_;
  std::string opened_;
  hx::UniqueFdC fd_;
  uint32_t count_ = 0;
  mutable std::mutex levelLock_;
  std::string userLevel_;
};
