#pragma once
// PackageListerC: what every package source offers: an enumeration of its installed packages.
// A source (a native package database, an installer registry) derives from it and registers
// its kind (packages/db/PackageKinds.h); the package database and the package inventory only
// use this face.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "packages/model/PackageInfo.h"

namespace trk {

// getNext has no more packages.
constexpr hx::ResultT RC_PACKAGES_END = hx::ToResult(hx::MSGSET_PACKAGE | 0x0068u);

// Lister flags: what the packages handed out carry beside type, name and version.
constexpr uint32_t LISTER_FILE_LISTS = 1;   // the paths each package owns
constexpr uint32_t LISTER_PROPERTIES = 2;   // descriptive properties
constexpr uint32_t LISTER_EVERYTHING = 7;   // what a registry collects in one pass

}  // namespace trk

class PackageListerC {
 public:
  explicit PackageListerC(uint32_t flags) : flags_(flags) {}
  virtual ~PackageListerC() = default;
  PackageListerC(const PackageListerC&) = delete;
  PackageListerC& operator=(const PackageListerC&) = delete;

  // The lister of a type name (any case), none for a type no source provides (defined beside
  // the table of kinds, packages/db/PackageKinds.cpp).
  static std::unique_ptr<PackageListerC> NewPackageLister(std::string_view type, uint32_t flags);

  // Starts (or restarts) the enumeration.
  HX_NODISCARD virtual hx::ResultT startEnum() = 0;
  // The next package (with bit 0 of its status set), trk::RC_PACKAGES_END after the last, or
  // the source's failure.
  HX_NODISCARD virtual hx::ResultT getNext(std::unique_ptr<PackageInfoC>* package) = 0;

  uint32_t flags() const { return flags_; }

 private:
  uint32_t flags_;
};

// A lister over a source that yields all its packages at once (an installer registry file):
// startEnum collects them with trk::LISTER_EVERYTHING, getNext hands them out one by one.
class PackageRegistryListerC : public PackageListerC {
 public:
  using PackageListerC::PackageListerC;
  using CollectionT = std::vector<std::unique_ptr<PackageInfoC>>;

  HX_NODISCARD hx::ResultT startEnum() override;
  HX_NODISCARD hx::ResultT getNext(std::unique_ptr<PackageInfoC>* package) override;

 protected:
  HX_NODISCARD virtual hx::ResultT getPackageCollection(CollectionT* collection, uint32_t flags) = 0;

 private:
  CollectionT collection_;
  size_t next_ = 0;
};
