#include "app/staging/UplUploader.h"

#include "app/api/UploaderPreferences.h"
#include "app/staging/TrkStagingMessages.h"
#include "foundation/files/SafeFile.h"
#include "foundation/messages/Errors.h"
#include "prefs/registry/ConfigurationIni.h"
#include "prefs/registry/EnvUnix.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

using namespace trk::staging;

constexpr char c_RuleSeparator = '/';
constexpr char c_Backslash = '\\';

// The install directory as the configuration names it; empty when it names none.
StringC ConfiguredInstallDir() {
  StringC dir;
  ConfRegistryIniC* registry = getConfiguration(1)->registry();
  if (hx::Failed(registry->ReadString(HKEY_LOCAL_MACHINE, EnvUnixC::c_ProductKey, EnvUnixC::c_InstallDir, &dir)))
    dir.clear();
  return dir;
}

}  // namespace

FileNameC UplUploaderC::GetUploadDirectory(const StringC& rule, const StringC& inventoryType) {
  TrkPreferencesC prefs;
  const bool machine = inventoryType.empty() || hx::EqualsNoCase(inventoryType, TrkPreferencesC::c_MachineInventory);
  StringC base = prefs.GetValue(StringC(upl::c_UploadDirectory));
  if (base.empty()) base = prefs.GetValue(StringC(machine ? upl::c_MachineUploadDirectory : upl::c_UserUploadDirectory));
  const size_t slash = rule.find(c_RuleSeparator);
  if (slash == StringC::npos) return FileNameC(base);
  // The rule's path below its first part names one entry inside the base directory, whose
  // parent is where the staged files go: the base directory itself.
  StringC entry = rule.substr(slash + 1);
  for (char& c : entry) {
    if (c == c_RuleSeparator) c = c_Backslash;
  }
  return FileNameC(base).append(entry).parent();
}

bool UplUploaderC::FullInventoryRequested(const FileNameC& uploadDirectory) {
  return hx::IsRegularFileNoFollow(uploadDirectory.append(upl::c_SpoolDirectory).append(upl::c_FullInventoryMark).str());
}

hx::ResultT UplUploaderC::ConnectToUploader(const FileNameC* directory, DynLoadC& library) {
  StringC path = ConfiguredInstallDir();
  if (!path.empty()) path += c_LibrarySubdirectory;
  if (directory == nullptr) {
    if (!path.empty() && !hx::EndsWith(path, "/")) path += "/";
    path += c_LibraryStem;
  } else {
    path += directory->str() + "/" + c_LibraryStem;
  }

  ErrBufImplC* errors = getErrBuf();
  const unsigned mark = errors->checkpoint();
  if (library.Load(path)) return hx::RC_OK;
  Error(MSG_LOAD_LIBRARY, TXT_LOAD_LIBRARY, path, library.LastError());
  if (library.Load(StringC(c_LibraryStem))) {
    errors->rollback(mark);
    return hx::RC_OK;
  }
  return Error(MSG_LOAD_LIBRARY, TXT_LOAD_LIBRARY, c_LibraryStem, library.LastError());
}

hx::ResultT UplUploaderC::DynamicUpload(ZORHXContextI* context, const FileNameC* directory) {
  if (context == nullptr) return hx::RC_INVALID_ARG;
  DynLoadC library;
  if (hx::Failed(ConnectToUploader(directory, library))) return MSG_LOAD_LIBRARY;
  // dlsym answers an object pointer; the library exports a function of exactly this type.
  const auto upload = reinterpret_cast<EntryPointT>(library.Symbol(c_EntryPoint));
  if (upload == nullptr) return Error(MSG_LOOKUP_FUNCTION, TXT_LOOKUP_FUNCTION, c_EntryPoint, library.LastError());
  return upload(context);
}
