#pragma once
// A package source made for the tests: packages given as data, listed under a type name of the
// test's choice for as long as the object lives.

#include <memory>
#include <string>
#include <vector>

#include "packages/listers/PackageKinds.h"
#include "packages/listers/PackageLister.h"

namespace pkgtest {

struct TestPackageT {
  std::string name;
  std::string version;
  std::vector<std::string> files;
};

class TestListerC : public PackageListerC {
 public:
  TestListerC(std::string type, const std::vector<TestPackageT>& packages, hx::ResultT failure)
      : PackageListerC(trk::LISTER_FILE_LISTS), type_(std::move(type)), packages_(packages), failure_(failure) {}
  hx::ResultT startEnum() override {
    next_ = 0;
    return hx::RC_OK;
  }
  hx::ResultT getNext(std::unique_ptr<PackageInfoC>* package) override {
    if (next_ >= packages_.size()) return hx::Failed(failure_) ? failure_ : trk::RC_PACKAGES_END;
    const TestPackageT& p = packages_[next_++];
    *package = std::make_unique<PackageInfoC>(type_);
    (*package)->setName(p.name);
    (*package)->setVersion(p.version);
    (*package)->files() = p.files;
    return hx::RC_OK;
  }

 private:
  std::string type_;
  const std::vector<TestPackageT>& packages_;
  hx::ResultT failure_;
  size_t next_ = 0;
};

// The type `type` lists `packages`, then ends with `failure` (the end code when it is 0).
class TestKindC {
 public:
  TestKindC(const std::string& type, std::vector<TestPackageT> packages, hx::ResultT failure = hx::RC_OK)
      : packages_(std::move(packages)),
        scope_({type, [type] { return std::make_unique<PackageInfoC>(type); },
                [this, type, failure](uint32_t) { return std::make_unique<TestListerC>(type, packages_, failure); }}) {}

 private:
  std::vector<TestPackageT> packages_;
  trk::ScopedPackageKindC scope_;
};

}  // namespace pkgtest
