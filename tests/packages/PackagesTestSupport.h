#pragma once
// A package source made for the tests: packages given as data, listed under a type name of the
// test's choice for as long as the object lives; a collection that cannot be made gives
// `failure`.

#include <memory>
#include <string>
#include <vector>

#include "packages/db/PackageKinds.h"
#include "packages/listers/PackageLister.h"

namespace pkgtest {

struct TestPackageT { std::string name, version; std::vector<std::string> files; };

class TestKindC {
 public:
  TestKindC(const std::string& type, std::vector<TestPackageT> packages, hx::ResultT failure = hx::RC_OK)
      : packages_(std::move(packages)),
        scope_({type, [type] { return std::make_unique<PackageInfoC>(type); },
                [this, type, failure](uint32_t flags) { return std::make_unique<ListerC>(type, *this, failure, flags); }}) {}

 private:
  class ListerC : public PackageRegistryListerC {
   public:
    ListerC(std::string type, const TestKindC& kind, hx::ResultT failure, uint32_t flags)
        : PackageRegistryListerC(flags), type_(std::move(type)), kind_(kind), failure_(failure) {}
    hx::ResultT getPackageCollection(CollectionT* collection, uint32_t) override {
      for (const TestPackageT& p : kind_.packages_) {
        collection->push_back(std::make_unique<PackageInfoC>(type_));
        collection->back()->setName(p.name);
        collection->back()->setVersion(p.version);
        collection->back()->files() = p.files;
      }
      return failure_;
    }

   private:
    std::string type_;
    const TestKindC& kind_;
    hx::ResultT failure_;
  };

  std::vector<TestPackageT> packages_;
  trk::ScopedPackageKindC scope_;
};

}  // namespace pkgtest
