#include "prefs/tracker/TrkPreferences.h"

#include "foundation/log/LogManager.h"
#include "foundation/trace/Tracer.h"
#include "prefs/tracker/TrkMessages.h"
#include "prefs/tracker/TrkSecretValues.h"

namespace {

constexpr size_t c_MD5Length = 32;
constexpr const char* c_ListJoin = ";";
constexpr const char* c_FtpScheme = "ftp://";
constexpr const char* c_FileScheme = "file:";

void TraceStep(const char* text) { hx::Trace(TrkPreferencesC::c_TraceCategory, "%s", text); }

// The arguments as the log shows them: every db2users password masked.
StringC JoinArguments(int argc, char** argv) {
  StringArrayC parts;
  for (int i = 0; i < argc && argv != nullptr; ++i) parts.push_back(trk::MaskSecretArgument(argv[i] != nullptr ? argv[i] : ""));
  return hx::Join(parts, " ");
}

}  // namespace

TrkPreferencesC::ErrorWindowFn TrkPreferencesC::s_ErrorWindow = nullptr;

TrkPreferencesC::TrkPreferencesC(env_EnvironmentI* env) : EnvPreferencesC(env) {}

TrkPreferencesC::~TrkPreferencesC() = default;

env_EnvOptsC TrkPreferencesC::GetOption(const StringC& name) {
  for (const env_EnvOptsC* const* entry = c_EnvironmentList; *entry != nullptr; ++entry) {
    if (hx::EqualsNoCase((*entry)->Name(), name)) return **entry;
  }
  return env_EnvOptsC(name, env_EnvOptsC::options_none);
}

void TrkPreferencesC::SetErrorWindow(ErrorWindowFn show) { s_ErrorWindow = show; }

hx::ResultT TrkPreferencesC::LoadPreferences(int argc, char** argv) {
  TraceStep("Started loading preferences");
  TraceStep("Started preloading default preferences");
  hx::ResultT r = PreLoadDefaultPreferences();
  TraceStep("Finished preloading registry preferences");
  if (hx::Succeeded(r)) {
    TraceStep("Started loading registry preferences");
    r = LoadRegistryPreferences();
    TraceStep("Finished loading registry preferences");
  }
  if (hx::Succeeded(r)) {
    TraceStep("Started loading command-line preferences");
    r = LoadCommandPreferences(argc, argv);
    TraceStep("Finished loading command-line preferences");
  }
  if (hx::Succeeded(r)) {
    TraceStep("Started loading XML preferences");
    r = LoadXMLPreferences();
    TraceStep("Finished loading XML preferences");
  }
  if (hx::Succeeded(r)) {
    TraceStep("Started postloading default preferences");
    r = PostLoadDefaultPreferences();
    TraceStep("Finished postloading default preferences");
  }
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::MSG_SEPARATOR, trk::TXT_SEPARATOR);
  if (hx::Succeeded(r)) {
    TraceStep("Started checking preferences");
    r = CheckPreferences();
    TraceStep("Finished checking preferences");
  }
  if (hx::TraceEnabled(c_TraceCategory)) TracePreferences();
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::MSG_PROGRAM_ARGUMENTS, trk::TXT_PROGRAM_ARGUMENTS,
          JoinArguments(argc, argv));
  if (hx::Failed(r)) {
    if (s_ErrorWindow != nullptr) s_ErrorWindow();
  } else {
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::MSG_PREFERENCES_LOADED, trk::TXT_PREFERENCES_LOADED);
  }
  TraceStep("Finished loading preferences");
  return r;
}

hx::ResultT TrkPreferencesC::LoadRegistryPreferences() { return hx::RC_OK; }

hx::ResultT TrkPreferencesC::LoadXMLPreferences() { return hx::RC_OK; }

void TrkPreferencesC::TracePreferences() {
  for (const StringC& name : Environment().Names()) {
    const env_ParameterC* p = Environment().Find(name);
    if (p == nullptr) continue;
    StringC value = p->IsMulti() ? hx::Join(GetMultiValue(env_EnvOptsC(name, env_EnvOptsC::values_multi), 1), c_ListJoin)
                                 : GetValue(env_EnvOptsC(name), 1);
    if (hx::EqualsNoCase(name, c_DB2users.Name())) value = trk::MaskDB2UsersValue(value);
    hx::Trace(c_TraceCategory, "%1$s=%2$s", name, value);
  }
}

void TrkPreferencesC::AddValues(const env_EnvOptsC& name, std::initializer_list<const char*> values) {
  for (const char* v : values) AddValue(name, StringC(v));
}

bool TrkPreferencesC::IsMachineType() { return hx::EqualsNoCase(GetValue(c_InventoryType), c_MachineInventory); }

bool TrkPreferencesC::IsUserType() { return hx::EqualsNoCase(GetValue(c_InventoryType), c_UserInventory); }

bool TrkPreferencesC::IsBoolean(const StringC& value) {
  return value.empty() || hx::EqualsNoCase(value, "True") || hx::EqualsNoCase(value, "False") ||
         hx::EqualsNoCase(value, "Yes") || hx::EqualsNoCase(value, "No");
}

bool TrkPreferencesC::IsMD5(const StringC& value) {
  const StringC lower = hx::ToLower(value);
  if (lower.size() != c_MD5Length) return false;
  for (char c : lower) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool TrkPreferencesC::IsFTPURL(const StringC& value) {
  return hx::StartsWithNoCase(value, c_FtpScheme) && value.size() > std::char_traits<char>::length(c_FtpScheme);
}

bool TrkPreferencesC::IsFileURL(const StringC& value) { return hx::StartsWithNoCase(value, c_FileScheme); }
