// The upload step: the preferences the uploader reads, then the uploader library itself.

#include <sys/stat.h>

#include "app/api/UploaderPreferences.h"
#include "app/driver/TrkRunFiles.h"
#include "app/driver/TrkRunLog.h"
#include "app/driver/TrkRunMessages.h"
#include "app/driver/TrkTracker.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "app/staging/TrkStagingMessages.h"
#include "app/staging/UplUploader.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/Tracer.h"

namespace {

constexpr const char* c_True = "True";
constexpr const char* c_CAFile = "SSLCACertificateFile";
constexpr const char* c_CAPath = "SSLCACertificatePath";

// The agent's own certificate authorities decide which servers the uploader believes, so they
// are used only from a place nobody else can change; `directory` tells which kind the place
// must be. A place that does not exist is simply not used (the system's store serves then).
StringC TrustedCAPlace(const StringC& place, bool directory) {
  if (place.empty()) return StringC();
  hx::TrustFailureT failure;
  std::string resolved;
  const hx::ResultT rc = hx::CheckTrusted(place, &resolved, &failure);
  if (rc == hx::RC_UNTRUSTED) hx::ReportRefusal(failure);
  struct stat st {};
  if (rc != hx::RC_OK || ::stat(resolved.c_str(), &st) != 0) return StringC();
  return (directory ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode)) ? StringC(resolved) : StringC();
}

}  // namespace

hx::ResultT TrkTrackerC::UploadInventory(const char* /*path*/, ZORHXContextI* context) {
  using namespace trk::staging;
  hx::Trace(c_TraceUpload, "Started uploading inventory\n");
  trk::LogGeneral(LOG_UPLOAD_STARTED, TXT_UPLOAD_STARTED);
  ErrBufImplC* errors = getErrBuf();
  if (errors == nullptr) return hx::RC_NO_RESOURCE;
  errors->reset();

  SetPreference(upl::c_UploadType, prefs_.GetValue(TrkPreferencesC::c_InventoryType));
  SetPreference(upl::c_SourceRemove, StringC(c_True));
  SetPreference(upl::c_UploadRule, TrkPreferencesC::c_UploadRule.Name());
  // The rule names the delivered file: the machine name in it is made safe like in every file
  // name of the run (TrkRunFiles.h).
  SetPreference(upl::c_UploadRuleValue, trk::FileNameValue(prefs_, TrkPreferencesC::c_UploadRule));
  SetPreference(upl::c_TrustedCAFile, TrustedCAPlace(prefs_.GetValue(StringC(c_CAFile)), false));
  SetPreference(upl::c_TrustedCAPath, TrustedCAPlace(prefs_.GetValue(StringC(c_CAPath)), true));

  hx::ResultT r = UplUploaderC::DynamicUpload(RefM<ZORHXContextI>(context).get(), nullptr);  // held while it runs

  if (r != hx::RC_OK) {
    if (TrkTrackerGUIC::IsCancelled()) {
      r = Error(trk::run::MSG_CANCELLED, trk::run::TXT_CANCELLED);
    } else {
      r = Error(MSG_UPLOAD_FAILED, TXT_UPLOAD_FAILED);
      trk::LogGeneral(LOG_UPLOAD_FAILED, TXT_LOG_UPLOAD_FAILED);
    }
  } else {
    trk::ProgressIncrement();
    trk::FlushMessages();
    trk::LogGeneral(LOG_UPLOAD_FINISHED, TXT_UPLOAD_FINISHED);
  }
  trk::NextStatusItem(r == hx::RC_OK);
  hx::Trace(c_TraceUpload, "Finished uploading inventory\n");
  return r;
}
