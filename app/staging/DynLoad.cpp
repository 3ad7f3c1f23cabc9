#include "app/staging/DynLoad.h"

#include <dlfcn.h>

#include "foundation/files/Trust.h"
#include "foundation/messages/TrustRefusal.h"

namespace {

StringC LoaderError() {
  const char* why = dlerror();
  return why != nullptr ? StringC(why) : StringC();
}

}  // namespace

bool DynLoadC::Load(const StringC& name) {
  Unload();
  path_ = hx::EndsWith(name, c_LibrarySuffix) ? name : name + c_LibrarySuffix;
  const std::string resolved = hx::ResolveLoadableLibrary(path_);
  hx::TrustFailureT failure;
  if (hx::CheckLoadableLibrary(resolved, &failure) == hx::RC_UNTRUSTED) {
    hx::ReportRefusal(failure);
    error_ = failure.Describe();
    return false;
  }
  dlerror();
  handle_ = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
  error_ = handle_ == nullptr ? LoaderError() : StringC();
  return handle_ != nullptr;
}

void DynLoadC::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

void* DynLoadC::Symbol(const char* name) {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  dlerror();
  void* address = dlsym(handle_, name);
  error_ = address == nullptr ? LoaderError() : StringC();
  return address;
}
