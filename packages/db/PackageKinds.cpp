#include "packages/db/PackageKinds.h"

#include <algorithm>
#include <vector>

#include "foundation/core/Text.h"
#include "packages/listers/deb/DEBPackageLister.h"
#include "packages/listers/ips/IPSPackageLister.h"
#include "packages/listers/registry/RegistryListers.h"
#include "packages/listers/svr4/SUNPackageLister.h"

namespace trk {

namespace {

template <typename InfoT, typename ListerT>
PackageKindT Kind(const char* type) {
  return PackageKindT{type, [] { return std::make_unique<InfoT>(); },
                      [](uint32_t flags) { return std::make_unique<ListerT>(flags); }};
}

// The package sources built into the program: the native package databases of Solaris (SVR4
// and IPS packages) and of Debian, and the installer registries.
const std::vector<PackageKindT>& BuiltInKinds() {
  static const std::vector<PackageKindT> s_kinds{
      Kind<SUNPackageInfoC, SUNPackageListerC>(c_SunPackageType),
      Kind<IPSPackageInfoC, IPSPackageListerC>(c_IpsPackageType),
      Kind<IAPackageInfoC, IAPackageListerC>(c_IaPackageType),
      Kind<BEAPackageInfoC, BEAPackageListerC>(c_BeaPackageType),
      Kind<DEBPackageInfoC, DEBPackageListerC>(c_DebPackageType),
  };
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

// The two factories by type name are declared with the package and the lister they make, and
// live here with the table: only this file knows every package source.
std::unique_ptr<PackageInfoC> PackageInfoC::NewPackage(std::string_view type) {
  const trk::PackageKindT* kind = trk::FindPackageKind(type);
  return kind != nullptr && kind->newPackage ? kind->newPackage() : nullptr;
}

std::unique_ptr<PackageListerC> PackageListerC::NewPackageLister(std::string_view type, uint32_t flags) {
  const trk::PackageKindT* kind = trk::FindPackageKind(type);
  return kind != nullptr && kind->newLister ? kind->newLister(flags) : nullptr;
}
