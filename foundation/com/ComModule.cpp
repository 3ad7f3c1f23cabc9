#include "foundation/com/ComModule.h"

#include <dlfcn.h>

#include "foundation/com/ComTrace.h"
#include "foundation/trace/Tracer.h"

namespace {

ComModuleC::EntryPointT FindEntry(void* handle, const char* name) {
  // dlsym answers an object pointer; the module exports a function of this very type.
  return reinterpret_cast<ComModuleC::EntryPointT>(dlsym(handle, name));
}

}  // namespace

ComModuleC::ComModuleC(const StringC& name) : path_(name) {
  if (!hx::EndsWith(path_, c_LibrarySuffix)) path_ += c_LibrarySuffix;
}

ComModuleC::~ComModuleC() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool ComModuleC::Load() {
  if (handle_ != nullptr) return true;
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    hx::Trace(c_ComTraceCategory, "Module %s not loaded: %s\n", path_, why ? why : "");
    return false;
  }
  initialize_ = FindEntry(handle_, c_InitializeEntry);
  finalize_ = FindEntry(handle_, c_FinalizeEntry);
  hx::Trace(c_ComTraceCategory, "Module %s loaded (initialize %s, finalize %s)\n", path_,
            initialize_ ? "found" : "missing", finalize_ ? "found" : "missing");
  return true;
}
