#pragma once
// Helpers of the inventory tests: expected documents from the source tree, trees built from a
// compact description, and one-line summaries of trees and deltas.

#include <sys/resource.h>

#include <csignal>

#include "foundation/core/RefCount.h"
#include "inventory/TrkInventory.h"
#include "tests/support/TestSupport.h"

namespace invtest {

// The first three lines of every inventory.
constexpr const char* c_Prolog =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE Inventory PUBLIC \"Inventory\" \"http://dtd.tarvosk.com/inventory.dtd\">\n\n";

inline std::string SourceFile(const std::string& rel) { return std::string(HX_SOURCE_DIR) + "/tests/inventory/" + rel; }
inline std::string Expected(const std::string& name) { return hxtest::ReadFile(SourceFile("expected/" + name)); }

// A child of parent with the attributes given as name, value, name, value, ...
inline RefM<TrkInventoryEntityC> AddChild(TrkInventoryEntityC* parent, const std::string& tag,
                                          const std::vector<std::string>& attrs = {}) {
  RefM<TrkInventoryEntityC> e = TrkInventoryEntityC::New(tag);
  for (size_t i = 0; i + 1 < attrs.size(); i += 2) EXPECT_EQ(e->Add(attrs[i], attrs[i + 1]), hx::RC_OK);
  if (parent) {
    EXPECT_EQ(parent->AddEntity(e.get()), hx::RC_OK);
  }
  return e;
}

// "Tag:Name" of every child, space separated: the shape a test expects to see.
inline std::string ChildNames(const TrkInventoryEntityC* e) {
  std::string out;
  for (const TrkInventoryEntityC* c = e->GetFirstChild(); c != nullptr; c = c->GetNext()) {
    if (!out.empty()) out += ' ';
    out += c->getTag() + ":" + c->GetAttribute("Name");
  }
  return out;
}

inline std::string Digest(const TrkInventoryEntityC* e, bool deep) {
  std::string d;
  EXPECT_EQ(e->CalculateMD5(&d, deep), hx::RC_OK);
  return d;
}

// The process's file size limit (writes past it fail with EFBIG) for the life of the object.
class ScopedFileSizeLimitC {
 public:
  explicit ScopedFileSizeLimitC(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    struct rlimit limited = old_;
    limited.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~ScopedFileSizeLimitC() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }
  ScopedFileSizeLimitC(const ScopedFileSizeLimitC&) = delete;
  ScopedFileSizeLimitC& operator=(const ScopedFileSizeLimitC&) = delete;
  bool ok() const { return ok_; }

 private:
  struct rlimit old_ {};
  void (*handler_)(int);
  bool ok_ = false;
};

}  // namespace invtest
