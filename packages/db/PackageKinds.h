#pragma once
// The package kinds: for every package type name the class of its packages and its lister.
// The package sources plug in here (each adds its entry to the built-in table in
// PackageKinds.cpp); the database and the package inventory find them by type name, compared
// without regard to case. Kinds may also be added at run time, which is how a source outside
// the program (or a test) takes part in a database build.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class PackageInfoC;
class PackageListerC;

namespace trk {

struct PackageKindT {
  std::string type;  // "SUNPKG", "IPS", "IA", "BEA", ...
  std::function<std::unique_ptr<PackageInfoC>()> newPackage;
  std::function<std::unique_ptr<PackageListerC>(uint32_t flags)> newLister;
};

// The kind of a type name: the latest added at run time first, then the built-in ones; null
// when none.
const PackageKindT* FindPackageKind(std::string_view type);
// Adds (a copy of) a kind for the life of the object; it hides a built-in kind of the same name.
class ScopedPackageKindC {
 public:
  explicit ScopedPackageKindC(PackageKindT kind);
  ~ScopedPackageKindC();
  ScopedPackageKindC(const ScopedPackageKindC&) = delete;
  ScopedPackageKindC& operator=(const ScopedPackageKindC&) = delete;

 private:
  PackageKindT kind_;
};

}  // namespace trk
