// The upload step: the preferences the uploader reads, then the uploader library itself.

#include "app/api/UploaderPreferences.h"
#include "app/driver/TrkRunFiles.h"
#include "app/driver/TrkRunLog.h"
#include "app/driver/TrkRunMessages.h"
#include "app/driver/TrkTracker.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "app/staging/TrkStagingMessages.h"
#include "app/staging/UplUploader.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/trace/Tracer.h"

namespace {

constexpr const char* c_True = "True";

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
