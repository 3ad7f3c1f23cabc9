#pragma once
// PackageInfoC: one installed package, the common model of every package source (native
// package databases, installer registries). A source derives from it to say how its packages
// are verified and which files they own; the package database stores a short record of it per
// owned path (PackageRecord.h) and rebuilds it from that record.

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "packages/model/PackageVersion.h"

class IsoDateTimeC;

class PackageInfoC {
 public:
  // Bit 0 of the status word: a lister handed the package out.
  static constexpr uint32_t c_StatusListed = 1;
  // Names of the descriptive properties the sources set.
  static constexpr const char* c_sSummary = "Summary";
  static constexpr const char* c_sPublisher = "Publisher";
  static constexpr const char* c_sInstallDate = "InstallDate";
  static constexpr const char* c_sSize = "Size";
  static constexpr const char* c_sInstallLocation = "InstallLocation";
  static constexpr const char* c_sPatch = "Patch";
  // What a source answers to a question it cannot ask its tools.
  static constexpr hx::ResultT c_NotSupported = hx::ToResult(hx::MSGSET_PACKAGE | 0x0064u);

  explicit PackageInfoC(StringC type) : type_(std::move(type)) {}
  virtual ~PackageInfoC() = default;
  PackageInfoC(const PackageInfoC&) = delete;
  PackageInfoC& operator=(const PackageInfoC&) = delete;

  // The package object for a type name (any case): the kind's own class, none for a type no
  // package source knows (packages/db/PackageKinds.h).
  static std::unique_ptr<PackageInfoC> NewPackage(std::string_view type);

  // How many instances of the package are installed (*count 0 when unknown).
  HX_NODISCARD virtual hx::ResultT getInstallCount(int* count) const {
    *count = 0;
    return c_NotSupported;
  }
  // The highest version of the package installed.
  HX_NODISCARD virtual hx::ResultT getInstalledVersion(PackageVersionC* /*version*/) const { return c_NotSupported; }
  // Whether the installed package checks out: 2 it does, 0 the tool found fault with it,
  // 1 the check itself failed.
  HX_NODISCARD virtual int verifyInstalledPackage() const { return 2; }
  // The paths the package owns.
  HX_NODISCARD virtual hx::ResultT getFileList(StringArrayC* files) const;
  // Forgets what a source derived from the name and version (called after setVersion).
  virtual void clearInfo() {}

  const StringC& type() const { return type_; }
  const StringC& name() const { return name_; }
  void setName(StringC name) { name_ = std::move(name); }
  const PackageVersionC& version() const { return version_; }
  // Reads the text as an [epoch:]version[-release] version, then clearInfo.
  void setVersion(std::string_view text);
  const StringC& architecture() const { return architecture_; }
  void setArchitecture(StringC architecture) { architecture_ = std::move(architecture); }
  // Seconds since the epoch, 0 when unknown.
  int64_t installDate() const { return installDate_; }
  void setInstallDate(int64_t seconds) { installDate_ = seconds; }
  // The install date in local time without an explicit zone; false when it is unknown.
  HX_NODISCARD bool getLocalISOInstallDate(IsoDateTimeC* date) const;
  uint32_t status() const { return status_; }
  void setStatus(uint32_t status) { status_ = status; }
  StringArrayC& files() { return files_; }
  const StringArrayC& files() const { return files_; }
  // Replaces an existing value.
  void setProperty(const StringC& name, StringC value) { properties_[name] = std::move(value); }
  const std::map<StringC, StringC>& properties() const { return properties_; }

  // The database record: type, name and full version; empty when it cannot be written.
  std::string serialise() const;

 private:
  StringC type_;
  StringC name_;
  PackageVersionC version_;
  StringC architecture_;
  int64_t installDate_ = 0;
  uint32_t status_ = 0;
  StringArrayC files_;
  std::map<StringC, StringC> properties_;
};
