// Compression of the file to publish into the upload directory.

#include "app/driver/TrkRunLog.h"
#include "app/driver/TrkRunMessages.h"
#include "app/driver/TrkTracker.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "app/staging/TrkGzip.h"
#include "app/staging/TrkStagingMessages.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/trace/Tracer.h"

hx::ResultT TrkTrackerC::CompressInventory(const FileNameC& source, const FileNameC& target) {
  using namespace trk::staging;
  hx::Trace(c_TraceCompress, "Started compressing inventory\n");
  trk::LogGeneral(LOG_COMPRESS_STARTED, TXT_COMPRESS_STARTED);
  hx::ResultT r = source.empty() || target.empty() ? hx::RC_FAIL : trk::GzipCopy(source, target);
  trk::FlushMessages();
  if (hx::Succeeded(r)) {
    trk::LogGeneral(LOG_COMPRESS_FINISHED, TXT_COMPRESS_FINISHED);
  } else {
    hx::Trace(c_TraceCompress, "'%1$s' not compressed: 0x%2$08X\n", source.text(), static_cast<uint32_t>(r));
    r = TrkTrackerGUIC::IsCancelled() ? Error(trk::run::MSG_CANCELLED, trk::run::TXT_CANCELLED)
                                      : Error(MSG_COMPRESS_FAILED, TXT_COMPRESS_FAILED);
  }
  hx::Trace(c_TraceCompress, "Finished compressing inventory\n");
  return r;
}
