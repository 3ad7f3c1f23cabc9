#include "packages/listers/PackageKinds.h"

#include <algorithm>
#include <vector>

#include "foundation/core/Text.h"

namespace trk {

namespace {

// The package sources built into the program. The native package databases (SVR4 and IPS
// packages) and the installer registries add their entries here as they are written; until
// then a build of the package database names their types as types without a lister.
const std::vector<PackageKindT>& BuiltInKinds() {
  static const std::vector<PackageKindT> s_kinds;
  return s_kinds;
}

std::vector<const PackageKindT*>& AddedKinds() {
  static std::vector<const PackageKindT*> s_added;
  return s_added;
}

}  // namespace

const PackageKindT* FindPackageKind(std::string_view type) {
  const std::vector<const PackageKindT*>& added = AddedKinds();
  for (auto it = added.rbegin(); it != added.rend(); ++it) {
    if (hx::EqualsNoCase((*it)->type, type)) return *it;
  }
  for (const PackageKindT& kind : BuiltInKinds()) {
    if (hx::EqualsNoCase(kind.type, type)) return &kind;
  }
  return nullptr;
}

ScopedPackageKindC::ScopedPackageKindC(PackageKindT kind) : kind_(std::move(kind)) { AddedKinds().push_back(&kind_); }

ScopedPackageKindC::~ScopedPackageKindC() {
  std::vector<const PackageKindT*>& added = AddedKinds();
  added.erase(std::remove(added.begin(), added.end(), &kind_), added.end());
}

}  // namespace trk
