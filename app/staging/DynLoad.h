#pragma once
// DynLoadC: one shared library loaded at run time. A name without the ".so" suffix gets it,
// since the loader does not add it; a name without a "/" is looked up on the loader's search
// path. The library is closed with the object.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

class DynLoadC {
 public:
  static constexpr const char* c_LibrarySuffix = ".so";

  DynLoadC() = default;
  ~DynLoadC() { Unload(); }
  DynLoadC(const DynLoadC&) = delete;
  DynLoadC& operator=(const DynLoadC&) = delete;

  // Loads the library (closing one loaded before); on failure LastError() says why.
  HX_NODISCARD bool Load(const StringC& name);
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }
  // The address of the symbol, or null (then LastError() says why).
  void* Symbol(const char* name);
  // The loader's text for the last failure.
  const StringC& LastError() const { return error_; }
  // The name as it was handed to the loader.
  const StringC& Path() const { return path_; }

 private:
  void* handle_ = nullptr;
  StringC path_;
  StringC error_;
};
