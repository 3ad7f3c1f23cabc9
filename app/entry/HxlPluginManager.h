#pragma once
// HxlPluginManagerC: loads the component modules found below the directory named by the
// preference PluginDirectory. A module registers its classes and names with the component
// registry when it is loaded; this is how a plug-in replaces the tracker class ("Tracker").

#include <memory>
#include <vector>

#include "foundation/com/ComModule.h"
#include "foundation/core/Nodiscard.h"

class HxlPluginManagerC {
 public:
  static constexpr const char* c_PluginDirectory = "PluginDirectory";
  static constexpr const char* c_ModuleExtension = "so";

  HxlPluginManagerC() = default;
  // Closes the modules' libraries. Objects the modules made must be gone by then.
  ~HxlPluginManagerC();
  HxlPluginManagerC(const HxlPluginManagerC&) = delete;
  HxlPluginManagerC& operator=(const HxlPluginManagerC&) = delete;

  // Walks PluginDirectory recursively and registers every file (not directory) with the
  // extension "so" as a module, by its path without the extension. True only when every one
  // registered (no directory, or an empty one, is success).
  HX_NODISCARD bool LoadPlugins();
  // Finalises every module that was initialised, which takes its classes out of the registry.
  // The libraries stay loaded: a tracker a plug-in made is released after this.
  void UnLoadPlugins();

  size_t ModuleCount() const { return modules_.size(); }

 private:
  struct LoadedModuleT {
    ComModuleC* module;
    bool initialised;
  };
  std::vector<LoadedModuleT> modules_;
};
