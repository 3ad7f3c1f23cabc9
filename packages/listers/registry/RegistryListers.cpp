#include "packages/listers/registry/RegistryListers.h"

#include "packages/listers/PackageSources.h"
#include "packages/listers/registry/RegistryParsers.h"

hx::ResultT PackageRegistryInfoC::getFileList(StringArrayC* files) const {
  if (files != nullptr) files->clear();
  return c_NotSupported;
}

hx::ResultT RegistryFileListerC::getPackageCollection(CollectionT* collection, uint32_t flags) {
  collection->clear();
  for (const auto& path : paths_.getPaths(flags)) {
    std::string text;
    // A registry that cannot be read in full adds what it could; the other files go on.
    if (trk::ReadSourceFile(path.first, &text, path.second.owner)) HX_IGNORE_RESULT(reader_(text, collection));
  }
  return hx::RC_OK;
}

IAPackageListerC::IAPackageListerC(uint32_t flags)
    : RegistryFileListerC(flags, trk::PackageRegistryC::Current().ia(), &trk::ReadIARegistry) {}

BEAPackageListerC::BEAPackageListerC(uint32_t flags)
    : RegistryFileListerC(flags, trk::PackageRegistryC::Current().bea(), &trk::ReadBEARegistry) {}
