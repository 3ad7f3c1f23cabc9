#pragma once
// The installer registries as package sources: "IA" (InstallAnywhere) and "BEA" (BEA/Oracle).
// Their packages own no files, so they add nothing to the package database; they appear in
// the package inventory with the name, version, location, publisher and summary the registry
// gives.

#include "foundation/core/Nodiscard.h"
#include "packages/listers/PackageLister.h"
#include "packages/listers/registry/PackageRegistry.h"
#include "packages/model/PackageInfo.h"

namespace trk {
constexpr const char* c_IaPackageType = "IA";
constexpr const char* c_BeaPackageType = "BEA";
}  // namespace trk

class PackageRegistryInfoC : public PackageInfoC {
 public:
  using PackageInfoC::PackageInfoC;
  HX_NODISCARD int verifyInstalledPackage() const override { return 2; }
  // A registry names no files.
  HX_NODISCARD hx::ResultT getFileList(StringArrayC* files) const override;
};

class IAPackageInfoC : public PackageRegistryInfoC {
 public:
  IAPackageInfoC() : PackageRegistryInfoC(trk::c_IaPackageType) {}
};

class BEAPackageInfoC : public PackageRegistryInfoC {
 public:
  BEAPackageInfoC() : PackageRegistryInfoC(trk::c_BeaPackageType) {}
};

// Reads every registry file of its collection (trk::PackageRegistryC::Current()) for the flags.
class RegistryFileListerC : public PackageRegistryListerC {
 public:
  using ReaderF = hx::ResultT (*)(std::string_view text, CollectionT* collection);
  RegistryFileListerC(uint32_t flags, trk::PackageRegistryPathCollectionC& paths, ReaderF reader)
      : PackageRegistryListerC(flags), paths_(paths), reader_(reader) {}

 protected:
  // Always 0: a registry that cannot be read or is broken contributes what was read of it.
  HX_NODISCARD hx::ResultT getPackageCollection(CollectionT* collection, uint32_t flags) override;

 private:
  trk::PackageRegistryPathCollectionC& paths_;
  ReaderF reader_;
};

class IAPackageListerC : public RegistryFileListerC {
 public:
  explicit IAPackageListerC(uint32_t flags);
};

class BEAPackageListerC : public RegistryFileListerC {
 public:
  explicit BEAPackageListerC(uint32_t flags);
};
