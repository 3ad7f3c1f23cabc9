#pragma once
// ComModuleC: a component module, a shared object that registers further classes through two
// entry points, each called with the registry (one reference handed over, which the entry
// point releases) and answering a result code.

#include "foundation/com/ComRegistryI.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

class ComModuleC {
 public:
  static constexpr const char* c_LibrarySuffix = ".so";
  static constexpr const char* c_InitializeEntry = "ZORComModuleInitialize";
  static constexpr const char* c_FinalizeEntry = "ZORComModuleFinalize";
  using EntryPointT = hx::ResultT (*)(ComRegistryI*);

  // name: the library without its suffix (added unless already there), a path or a bare name
  // that the dynamic loader searches for.
  explicit ComModuleC(const StringC& name);
  ComModuleC(const ComModuleC&) = delete;
  ComModuleC& operator=(const ComModuleC&) = delete;
  ~ComModuleC();  // closes the library

  HX_NODISCARD bool Load();
  bool IsLoaded() const { return handle_ != nullptr; }
  const StringC& GetPath() const { return path_; }

  // Null while the library is not loaded or lacks the entry point.
  EntryPointT GetInitialize() const { return initialize_; }
  EntryPointT GetFinalize() const { return finalize_; }

 private:
  StringC path_;
  void* handle_ = nullptr;
  EntryPointT initialize_ = nullptr;
  EntryPointT finalize_ = nullptr;
};
