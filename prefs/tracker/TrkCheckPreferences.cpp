// Validation at the end of loading. Every check runs, whatever failed before, so the user sees
// all bad values at once; the status is the id of the last failed check.

#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "prefs/defaults/EnvConverters.h"
#include "prefs/tracker/TrkMessages.h"
#include "prefs/tracker/TrkPreferences.h"
#include "prefs/wildcard/WildCardDirectoryListing.h"

namespace {

constexpr long c_MinProgressDepth = 1;
constexpr long c_MaxProgressDepth = 10;
constexpr const char* c_DefaultProgressDepth = "3";

void LogCheck(hx::ResultT id, const char* text) {
  hx::Log(trk::c_LetterPreferences, trk::c_NumberValidation, id, text);
}

}  // namespace

hx::ResultT TrkPreferencesC::CheckPreferences() {
  hx::ResultT r = hx::RC_OK;
  auto note = [&r](hx::ResultT check) {
    if (hx::Failed(check)) r = check;
  };
  note(CheckMD5(c_IncludeMD5, trk::MSG_BAD_INCLUDE_MD5, trk::TXT_BAD_INCLUDE_MD5, trk::LOG_BAD_INCLUDE_MD5,
                trk::TXT_LOG_BAD_INCLUDE_MD5));
  note(CheckMD5(c_ExcludeMD5, trk::MSG_BAD_EXCLUDE_MD5, trk::TXT_BAD_EXCLUDE_MD5, trk::LOG_BAD_EXCLUDE_MD5,
                trk::TXT_LOG_BAD_EXCLUDE_MD5));
  note(CheckBoolean(c_Recurse));
  note(CheckBoolean(c_VersionInfo));
  note(CheckBoolean(c_MSI));
  note(CheckOneOf(c_UserInteractionLevel, {"FULL", "STATUS", "AUTO", "QUIET"}, trk::MSG_BAD_INTERACTION_LEVEL,
                  trk::TXT_BAD_INTERACTION_LEVEL, trk::LOG_BAD_INTERACTION_LEVEL, trk::TXT_LOG_BAD_INTERACTION_LEVEL));
  note(CheckOneOf(c_InventoryType, {c_MachineInventory, c_UserInventory}, trk::MSG_BAD_INVENTORY_TYPE,
                  trk::TXT_BAD_INVENTORY_TYPE, trk::LOG_BAD_INVENTORY_TYPE, trk::TXT_LOG_BAD_INVENTORY_TYPE));
  note(CheckBoolean(c_Upload));
  note(CheckBoolean(c_Compress));
  note(CheckBoolean(c_ShowIcon));
  CheckProgressDepth();
  note(CheckBoolean(c_LowProfile));
  note(CheckBoolean(c_DigestCache));
  note(ExpandWildCardDirectories(c_IncludeDirectory));
  note(ExpandWildCardDirectories(c_EmbedFileContentDirectory));
  return r;
}

hx::ResultT TrkPreferencesC::CheckMD5(const env_EnvOptsC& name, hx::ResultT errorId, const char* errorText,
                                      hx::ResultT logId, const char* logText) {
  hx::ResultT r = hx::RC_OK;
  for (const StringC& value : GetMultiValue(name, 1)) {
    if (!IsMD5(value)) r = Error(errorId, errorText);
  }
  if (hx::Failed(r)) LogCheck(logId, logText);
  return r;
}

hx::ResultT TrkPreferencesC::CheckBoolean(const env_EnvOptsC& name) {
  if (IsBoolean(GetValue(name, 1))) return hx::RC_OK;
  hx::Log(trk::c_LetterPreferences, trk::c_NumberValidation, trk::LOG_NOT_BOOLEAN, trk::TXT_LOG_NOT_BOOLEAN,
          name.Name());
  return Error(trk::MSG_NOT_BOOLEAN, trk::TXT_NOT_BOOLEAN, name.Name());
}

hx::ResultT TrkPreferencesC::CheckOneOf(const env_EnvOptsC& name, std::initializer_list<const char*> allowed,
                                        hx::ResultT errorId, const char* errorText, hx::ResultT logId,
                                        const char* logText) {
  const StringC value = GetValue(name, 1);
  for (const char* a : allowed) {
    if (hx::EqualsNoCase(value, a)) return hx::RC_OK;
  }
  LogCheck(logId, logText);
  return Error(errorId, errorText);
}

void TrkPreferencesC::CheckProgressDepth() {
  const long depth = env_FunStrToIntC()(GetValue(c_ProgressDepth, 1), 0);
  if (depth >= c_MinProgressDepth && depth <= c_MaxProgressDepth) return;
  AddValue(c_ProgressDepth, StringC(c_DefaultProgressDepth));
  LogCheck(trk::LOG_BAD_PROGRESS_DEPTH, trk::TXT_LOG_BAD_PROGRESS_DEPTH);
}

hx::ResultT TrkPreferencesC::ExpandWildCardDirectories(env_EnvOptsC name) {
  if (!Exists(name)) return hx::RC_OK;  // a list nobody set stays unset
  const StringArrayC patterns = GetMultiValue(name, 1);
  Remove(name);
  Environment().Create(name);
  WildCardDirectoryListingC listing;
  for (const StringC& pattern : patterns) {
    HX_IGNORE_RESULT(listing.listAll(pattern));  // the search logs itself; no match adds nothing
    for (const FileNameC& dir : listing.MatchedDirectoryList()) AddValue(name, dir.str(), 1);
  }
  return hx::RC_OK;
}
