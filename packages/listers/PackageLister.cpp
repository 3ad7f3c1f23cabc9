#include "packages/listers/PackageLister.h"

hx::ResultT PackageRegistryListerC::startEnum() {
  collection_.clear();
  next_ = 0;
  return getPackageCollection(&collection_, trk::LISTER_EVERYTHING);
}

hx::ResultT PackageRegistryListerC::getNext(std::unique_ptr<PackageInfoC>* package) {
  if (package == nullptr) return hx::RC_INVALID_ARG;
  package->reset();
  if (next_ >= collection_.size()) return trk::RC_PACKAGES_END;
  *package = std::move(collection_[next_++]);
  (*package)->setStatus((*package)->status() | PackageInfoC::c_StatusListed);
  return hx::RC_OK;
}
