#include "app/entry/HxlPluginManager.h"

#include "foundation/com/ComRegistry.h"
#include "foundation/files/FileService.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/Tracer.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

constexpr const char* c_TraceCategory = "Tracker/Plugins";

// Root loads a plug-in into itself: the module and every directory above it must be beyond
// the reach of other users.
bool IsTrustedModule(const FileNameC& path) {
  hx::TrustFailureT failure;
  if (hx::Succeeded(hx::CheckTrusted(path.str(), nullptr, &failure))) return true;
  hx::ReportRefusal(failure);
  return false;
}

// The path without its extension (and the dot before it).
std::string WithoutExtension(const FileNameC& path) {
  const std::string& text = path.str();
  return text.substr(0, text.size() - path.extension().size() - 1);
}

}  // namespace

HxlPluginManagerC::~HxlPluginManagerC() {
  for (LoadedModuleT& m : modules_) delete m.module;
}

bool HxlPluginManagerC::LoadPlugins() {
  TrkPreferencesC prefs;
  const FileNameC dir(prefs.GetValue(StringC(c_PluginDirectory)));
  if (dir.empty() || !FileService()->exists(dir)) return true;
  if (!IsTrustedModule(dir)) return false;
  bool all = true;
  FileListerC lister = FileService()->getLister(dir, hx::LIST_RECURSE);
  FileNameC name;
  FileInfoC info;
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    if (name.empty() || !info.hasStatus() || info.isDirectory() || name.extension() != c_ModuleExtension) continue;
    if (!IsTrustedModule(name)) {
      all = false;
      continue;
    }
    ComModuleC* module = nullptr;
    const hx::ResultT r = ComRegistryC::RegisterModule(WithoutExtension(name), &module);
    hx::Trace(c_TraceCategory, "Plug-in %1$s: 0x%2$08X\n", name.text(), static_cast<uint32_t>(r));
    if (module != nullptr) modules_.push_back({module, module->GetInitialize() != nullptr});
    if (hx::Failed(r)) all = false;
  }
  return all;
}

void HxlPluginManagerC::UnLoadPlugins() {
  for (LoadedModuleT& m : modules_) {
    if (!m.initialised) continue;
    m.initialised = false;
    const ComModuleC::EntryPointT finalize = m.module->GetFinalize();
    if (finalize == nullptr) continue;
    ComRegistryI* registry = ComRegistryC::Instance();
    registry->AddRef();  // the entry point's, released by it
    finalize(registry);
  }
}
