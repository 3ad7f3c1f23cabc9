#pragma once
// IPS packages (type "IPS"): what "/usr/bin/pkg contents" lists of the installed packages,
// with their summaries and, when file lists are wanted, the paths of their file, link and
// hardlink actions.

#include "foundation/core/Nodiscard.h"
#include "foundation/process/CommandLine.h"
#include "packages/listers/PackageLister.h"
#include "packages/model/PackageInfo.h"

namespace trk {
constexpr const char* c_IpsPackageType = "IPS";
// The IPS package tool, a fixed path of the machine.
constexpr const char* c_IpsTool = "/usr/bin/pkg";
}  // namespace trk

class IPSPackageInfoC : public PackageInfoC {
 public:
  IPSPackageInfoC() : PackageInfoC(trk::c_IpsPackageType) {}
};

class IPSPackageListerC : public PackageRegistryListerC {
 public:
  using PackageRegistryListerC::PackageRegistryListerC;

  // The command line for the flags.
  static CommandLineC Command(uint32_t flags);

 protected:
  // 0 (nothing) without the tool; -1 when it exits with a status other than 0 (the packages it
  // printed are kept); the runner's failure (idem).
  HX_NODISCARD hx::ResultT getPackageCollection(CollectionT* collection, uint32_t flags) override;
};
