#include "packages/trackers/TrkExtAgtTracker.h"

#include "foundation/log/LogManager.h"
#include "packages/listers/PackageSources.h"
#include "packages/trackers/OwnPackageReaders.h"
#include "prefs/tracker/TrkPreferences.h"

using namespace trk;

hx::ResultT TrkExtAgtTrackerC::Track(ZORHXTInventoryI* inventory) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_AGENTS_STARTED, TXT_AGENTS_STARTED);
  RefM<TrkInventoryEntityC> root;
  const hx::ResultT r = OwnRoot(inventory, &root);
  if (hx::Failed(r)) return r;
  const StringC agent = prefs_.GetValue(TrkPreferencesC::c_TLMAgentIniPath);
  if (!agent.empty()) TLMExternalAgent(root.get(), agent, c_sTLMAgent);
  const StringC standalone = prefs_.GetValue(TrkPreferencesC::c_TLMStandaloneIniPath);
  if (!standalone.empty()) TLMExternalAgent(root.get(), standalone, c_sTLMStandalone);
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_AGENTS_FINISHED, TXT_AGENTS_FINISHED);
  return hx::RC_OK;
}

void TrkExtAgtTrackerC::TLMExternalAgent(TrkInventoryEntityC* root, const std::string& path, const char* name) {
  std::string text;
  // The identity is written into the inventory as this machine's: a file that another user
  // could have written is not taken.
  if (!ReadSourceFile(path, &text)) return;
  const AgentIdentityT identity = ParseAgentIni(text);
  if (identity.id.empty()) return;
  RefM<TrkInventoryEntityC> instance = AddClass(root, StringC(c_sClass), StringC(name), StringC(c_sEvidence));
  if (!instance) return;
  // A property without a value is left out.
  HX_IGNORE_RESULT(AddProperty(instance.get(), StringC("Name"), StringC(name), StringC(), false));
  HX_IGNORE_RESULT(AddProperty(instance.get(), StringC("Type"), StringC(c_sType), StringC(), false));
  HX_IGNORE_RESULT(AddProperty(instance.get(), StringC("ID"), identity.id, StringC(), false));
  if (!identity.version.empty())
    HX_IGNORE_RESULT(AddProperty(instance.get(), StringC("Version"), identity.version, StringC(), false));
}
