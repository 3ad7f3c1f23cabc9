#pragma once
// SVR4 packages (type "SUNPKG"): the packages "pkginfo -l" lists, each with the paths the
// installed-software contents file (or, without it, "pkgchk -l") says it owns.

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/core/Nodiscard.h"
#include "packages/listers/PackageLister.h"
#include "packages/listers/svr4/Svr4Readers.h"
#include "packages/model/PackageInfo.h"

namespace trk {

constexpr const char* c_SunPackageType = "SUNPKG";
// The contents file, a fixed path of the machine.
constexpr const char* c_Svr4ContentsFile = "/var/sadm/install/contents";
// What the per-package queries answer when the tool failed or said it knows no such package.
constexpr hx::ResultT RC_PKG_TOOL_FAILED = PackageInfoC::c_NotSupported;
constexpr hx::ResultT MSG_PKG_NO_LIST = hx::ToResult(hx::MSGSET_PACKAGE | 0x0069u);
constexpr const char* TXT_PKG_NO_LIST = "\x01\x01" "e\x01" "A package list count not be found";

}  // namespace trk

class SUNPackageInfoC : public PackageInfoC {
 public:
  SUNPackageInfoC() : PackageInfoC(trk::c_SunPackageType) {}

  // The number of installed instances of the package ("pkginfo -l <name>.*"): VERSION lines,
  // only those equal to the package's version when it has one.
  HX_NODISCARD hx::ResultT getInstallCount(int* count) const override;
  // The highest version installed ("pkginfo -l <name>").
  HX_NODISCARD hx::ResultT getInstalledVersion(PackageVersionC* version) const override;
  // "pkgchk -n <name>": 1 when it failed, 0 when it complained about the package, else 2.
  HX_NODISCARD int verifyInstalledPackage() const override;
  // A package a lister handed out owns what the lister found for it; any other asks
  // "pkgchk -l <name>".
  HX_NODISCARD hx::ResultT getFileList(StringArrayC* files) const override;

  void setListed(bool listed) { listed_ = listed; }
  // "VERSION" without its revision suffix.
  static std::string convertVersion(std::string_view text) { return trk::svr4::ConvertVersion(text); }

 private:
  bool listed_ = false;
};

class SUNPackageListerC : public PackageListerC {
 public:
  using PackageListerC::PackageListerC;

  // With file lists: reads the contents file (or "pkgchk -l"); then runs "pkginfo -l".
  HX_NODISCARD hx::ResultT startEnum() override;
  HX_NODISCARD hx::ResultT getNext(std::unique_ptr<PackageInfoC>* package) override;

  // The captured "pkginfo -l" output (for the tests and the benchmark: a lister over given
  // text, without running the tool).
  void setPkginfoOutput(std::string text, bool captured = true);
  // The file map (for the same use).
  trk::svr4::FileMapT& fileMap() { return files_; }

 private:
  HX_NODISCARD hx::ResultT readFileMap();
  void finishPackage(SUNPackageInfoC* package);

  trk::svr4::FileMapT files_;
  std::string pkginfo_;
  bool captured_ = false;
  size_t position_ = 0;
};
