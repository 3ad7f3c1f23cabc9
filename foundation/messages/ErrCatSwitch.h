#pragma once
// Where message texts come from, in order: the module catalog of the agent's installation
// ("<InstallDir>/lib/allcat.%L.cat"), the process catalog that the program installs with
// ErrSetCat (kept per message locale), and finally the default text in the code. The
// operating-system error texts stand behind the process catalog for ids of set 0.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "foundation/messages/ErrCatalog.h"

// The system's error strings for ids with the catalog bit and set 0.
class ErrSystemCatalogC {
 public:
  // The error string of the number in bits 15..0 for set 0 with the catalog bit; otherwise
  // the default text with markup applied (empty without one).
  std::string getMessage(ErrSevT& sev, int32_t id, const char* defaultText, const char* style = nullptr) const;
  void setUserLevel(const std::string& level);

 private:
  mutable std::mutex lock_;
  std::string userLevel_;
};

// The catalogs of one message locale: the process catalog and the system error texts.
class LocaleLanguageC {
 public:
  LocaleLanguageC();
  // Replaces the process catalog by one opened from `path` ("%L" allowed) and passes the user
  // level on. Returns 0 when a catalog file was opened or the path is empty, RC_FAIL when no
  // file could be opened (the process catalog is then empty).
  HX_NODISCARD int32_t catalog(const std::string& path);
  // The process catalog's text; without one, the system error text for set 0 (ids of other
  // sets give nothing). No default text is applied here.
  std::string getMessage(ErrSevT& sev, int32_t id, const char* style = nullptr) const;
  void setUserLevel(const std::string& level);

 private:
  std::shared_ptr<const ErrCatalogC> current() const;

  mutable std::mutex lock_;
  std::shared_ptr<ErrCatalogC> catalog_;
  ErrSystemCatalogC system_;
  std::string userLevel_;
};

// The process-wide catalog switch (see ErrGetCat).
class ErrCatSwitchC {
 public:
  ErrCatSwitchC() = default;
  ErrCatSwitchC(const ErrCatSwitchC&) = delete;
  ErrCatSwitchC& operator=(const ErrCatSwitchC&) = delete;

  // The text for id: module catalog, process catalog, then defaultText (markup applied when it
  // starts with 0x01 or '{'). sev receives the severity.
  std::string getMessage(ErrSevT& sev, int32_t id, const char* defaultText, const char* style = nullptr) const;
  void setUserLevel(const std::string& level);

  // Opens the module catalog from the install directory unless one is installed already;
  // concurrent first calls install one catalog.
  void openModuleCatalog();
  // Replaces the module catalog by an empty one.
  void disableModuleCatalog();
  // Installs `path` as the process catalog of the current message locale.
  HX_NODISCARD int32_t setProcessCatalog(const std::string& path);
  std::shared_ptr<const ErrCatalogC> moduleCatalog() const;

 private:
  LocaleLanguageC& language() const;

  std::shared_ptr<ErrCatalogC> module_;  // accessed only through the atomic shared_ptr functions
  mutable std::mutex lock_;
  mutable std::map<std::string, std::unique_ptr<LocaleLanguageC>> languages_;  // by locale name
  std::string userLevel_;
};

// The process-wide catalog switch, created on first use together with its module catalog.
ErrCatSwitchC& ErrGetCat();
// Installs `path` as the process catalog of the current message locale.
HX_NODISCARD int32_t ErrSetCat(const char* path);
HX_NODISCARD int32_t ErrDisableModuleCat();
// Module catalogs are found through the install directory only; the call is accepted for
// callers that name one and has no effect.
HX_NODISCARD int32_t ErrSetModuleCat(const char* path);

namespace hx {

// The agent's install directory, as the module catalog (and other installed files) are found
// through it. Until the configuration registry provides it, it is read from the environment
// variable TARVOSKINSTALLDIR; the registry replaces the source once it is mounted. An empty
// function restores the environment source.
void SetInstallDirSource(std::function<std::string()> source);
std::string GetInstallDir();

// The module catalog path for an install directory (empty: relative to the working directory).
std::string ModuleCatalogPath(const std::string& installDir);

}  // namespace hx
