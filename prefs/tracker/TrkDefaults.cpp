// The tracker's generic defaults and the generic part of the values derived after loading.

#include "foundation/core/Format.h"
#include "foundation/time/IsoDateTime.h"
#include "prefs/defaults/EnvConverters.h"
#include "prefs/tracker/ProductInfo.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

struct DefaultT {
  const env_EnvOptsC* name;
  const char* value;
};

using P = TrkPreferencesC;

// In catalogue order; a name with several defaults stands once per value.
const DefaultT c_GenericDefaults[] = {
    {&P::c_IncludeDirectory, ""},
    {&P::c_IncludeExtension, "sys"},
    {&P::c_IncludeExtension, "sys2"},
    {&P::c_IncludeExtension, "swtag"},
    {&P::c_IncludeExtension, "cmptag"},
    {&P::c_IncludeNetworkDrives, "False"},
    {&P::c_IncludeExecutables, "True"},
    {&P::c_Recurse, "True"},
    {&P::c_VersionInfo, "True"},
    {&P::c_GenerateMD5, "False"},
    {&P::c_ScanFiles, "True"},
    {&P::c_EmbedFileContentExtension, "swidtag"},
    {&P::c_EmbedFileContentMaxSize, "1000000"},
    {&P::c_SwidTagExtension, "swidtag"},
    {&P::c_TrackFilesInUserInventory, "False"},
    {&P::c_Hardware, "True"},
    {&P::c_UserHardware, "False"},
    {&P::c_DetectMultiCore, "True"},
    {&P::c_DetectSerial, "True"},
    {&P::c_BenchmarkCPU, "True"},
    {&P::c_PNP, "False"},
    {&P::c_TrackProductKey, "True"},
    {&P::c_Compress, "True"},
    {&P::c_CompressedExtension, "gz"},
    {&P::c_Difference, "False"},
    {&P::c_IncrementalDiff, "False"},
    {&P::c_GenerationMax, "9"},
    {&P::c_SkipInventory, "False"},
    {&P::c_MinInventoryInterval, "0"},
    {&P::c_DateTimeFormat, "%Y%m%dT%H%M%S"},
    {&P::c_MachineId, "$(MachineName)"},
    {&P::c_UserId, "$(UserName)"},
    {&P::c_Title, trk::c_ProductTitle},
    {&P::c_Version, trk::c_ProductVersion},
    {&P::c_UseGuidAsName, "False"},
    {&P::c_TamperShield, "False"},
    {&P::c_SecurityAnalysisFile, "$(MachineId).msa"},
    {&P::c_EnableWinOldApp, "False"},
    {&P::c_ProgressDepth, "3"},
    {&P::c_LowProfile, "True"},
    {&P::c_LogMsgCatPath, "hxtmsg.cat"},
    {&P::c_ToolTimeout, "300"},
    {&P::c_LockTimeout, "3600"},
    {&P::c_DB2Timeout, "900"},
    {&P::c_UploadTimeout, "60"},
    {&P::c_UploadRequestTimeout, "1800"},
    {&P::c_UploadSpoolMax, "20"},
    {&P::c_DigestThreads, "0"},
    {&P::c_DigestCache, "True"},
    {&P::c_DigestCachePath, "$(CommonAppDataFolder)/cache/digests.cache"},
    {&P::c_DigestMaxFileSize, "17179869184"},
};

constexpr const char* c_ComputerName = "ComputerName";
constexpr const char* c_ComputerDomain = "ComputerDomain";
constexpr const char* c_UploadRuleTemplate =
    "$(ServerLocation)/Inventories/$(UserId) on $(MachineId) at $(DateTime) for $(InventoryType) ($(Generation)).hxi";
constexpr const char* c_SecurityRuleTemplate = "$(ServerLocation)/SecurityAnalysis/$(MachineId) at $(DateTime).msa";
constexpr const char* c_DefaultExtension = "hxi";

// The text after the last "/" (the whole text when there is none).
StringC LastComponent(const StringC& path) {
  const size_t slash = path.rfind('/');
  return slash == StringC::npos ? path : path.substr(slash + 1);
}

// Whether the last component holds a "."; `extension` receives the text after the last one.
bool Extension(const StringC& path, StringC& extension) {
  const StringC base = LastComponent(path);
  const size_t dot = base.rfind('.');
  if (dot == StringC::npos) return false;
  extension = base.substr(dot + 1);
  return true;
}

}  // namespace

hx::ResultT TrkPreferencesC::PreLoadDefaultPreferences() {
  for (const DefaultT& d : c_GenericDefaults) AddValue(*d.name, StringC(d.value));
  AddValue(c_MachineName, hx::ToLower(GetValue(StringC(c_ComputerName), 1)));
  return hx::RC_OK;
}

hx::ResultT TrkPreferencesC::PostLoadDefaultPreferences() {
  {
    ResolveScopeC unexpanded(*this, 0);
    const bool uploadLocation = IsSet(c_UploadLocation);
    if (!IsSet(c_UploadRule) || uploadLocation) AddValue(c_UploadRule, StringC(c_UploadRuleTemplate));
    if (!IsSet(c_SecurityAnalysisRule) || uploadLocation)
      AddValue(c_SecurityAnalysisRule, StringC(c_SecurityRuleTemplate));
    GenerateUploadFile();
    GenerateDateTime();
    GenerateGeneration();
    if (!IsSet(c_InventoryFile))
      AddValue(c_InventoryFile, StringC(IsSet(c_Configuration) ? "$(Configuration)/$(MachineId).hxi" : "$(MachineId).hxi"));
  }
  ResolveScopeC expanded(*this, 1);
  AddValue(c_FullyQualifiedDomainName,
           StringC(IsEmpty(StringC(c_ComputerDomain)) ? "$(MachineId)" : "$(MachineId).$(ComputerDomain)"));
  return hx::RC_OK;
}

void TrkPreferencesC::GenerateUploadFile() {
  if (!IsSet(c_UploadFile)) {
    const StringC rule = GetValue(c_UploadRule, 0);
    AddValue(c_UploadFile, LastComponent(rule));
    StringC extension;
    Extension(rule, extension);
    AddValue(c_InventoryExtension, extension);
  }
  const StringC file = GetValue(c_UploadFile, 0);
  StringC extension;
  if (!Extension(file, extension)) {
    AddValue(c_UploadFile, file + "." + c_DefaultExtension);
    AddValue(c_InventoryExtension, StringC(c_DefaultExtension));
  }
}

void TrkPreferencesC::GenerateDateTime() {
  if (IsSet(c_DateTime)) return;
  // The same value and formatting as every date of the inventory: clamped to the years the
  // system's time values cover, and empty when the format's text does not fit.
  IsoDateTimeC now;
  now.SetCurrent(IsoTimeC::LocalTime, IsoDateTimeC::c_NoOffset);
  AddValue(c_DateTime, now.FormatTime(GetValue(c_DateTimeFormat, 0)));
}

void TrkPreferencesC::GenerateGeneration() {
  const long generation = env_FunStrToIntC()(GetValue(c_Generation, 0), 0);
  const long maximum = env_FunStrToIntC()(GetValue(c_GenerationMax, 0), 0);
  if (GetBoolean(c_Difference, 0) && generation < maximum) {
    AddValue(c_Generation, hx::Format("%ld", generation + 1));
  } else {
    AddValue(c_Difference, StringC("False"));
  }
}
