// The run itself: freshness, the phases, writing (full or delta), staging, upload, closing.

#include <chrono>
#include <cstring>

#include "app/driver/TrkBaseReader.h"
#include "app/driver/TrkRunFiles.h"
#include "app/driver/TrkRunLog.h"
#include "app/driver/TrkRunMessages.h"
#include "app/driver/TrkTracker.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "app/staging/TrkStagingMessages.h"
#include "app/staging/UplUploader.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/FileService.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/TrustRefusal.h"
#include "foundation/trace/Tracer.h"
#include "foundation/trace/TraceFlags.h"
#include "inventory/XmlOutputStream.h"
#include "packages/db/PackageDb.h"
#include "packages/listers/deb/DEBPackageLister.h"

namespace {

using P = TrkPreferencesC;
using namespace trk::run;

constexpr const char* c_TempDirectory = "TempDirectory";
constexpr const char* c_UploadDirectory = "UploadDirectory";
constexpr const char* c_InventoryNameExtension = ".hxi";
constexpr const char* c_TempExtension = ".tmp";
constexpr const char* c_False = "False";
constexpr const char* c_Full = "Full";
constexpr int64_t c_BytesPerProgressStep = 256;

// What the temporary files are, for the log line of one that cannot be made.
constexpr const char* c_PreviousGeneration = "the copy of the previous inventory";
constexpr const char* c_DeltaFile = "the inventory delta";
constexpr const char* c_CompressedFile = "the compressed inventory";

// An error-number result in words; anything else as its code.
std::string Describe(hx::ResultT rc) {
  const int err = hx::ErrnoFromRc(rc);
  return err != 0 ? std::string(std::strerror(err)) : hx::Format("0x%1$08X", static_cast<uint32_t>(rc));
}

// Removes every file (not directory) directly in dir; links are removed, never followed.
HX_NODISCARD hx::ResultT ClearDirectory(const FileNameC& dir) {
  FileListerC lister = FileService()->getLister(dir, 0);
  FileNameC name;
  FileInfoC info;
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    if (name.empty()) return hx::RC_FAIL;  // the directory could not be listed
    // A file that cannot go stays staged and is delivered again; only the listing decides
    // whether the step failed.
    if (info.isLink()) trk::LogGeneral(LOG_LINK_REFUSED, TXT_LINK_REFUSED, name.text());
    if (info.hasStatus() && !info.isDirectory()) HX_IGNORE_RESULT(FileService()->remove(name, 0));
  }
  return hx::Failed(lister.lastError()) ? hx::RC_FAIL : hx::RC_OK;
}

}  // namespace

// The files of one run. Only `inventory` outlives it; the rest are removed at its end.
struct TrkTrackerC::RunFilesT {
  FileNameC inventory;     // empty: this run writes no inventory file
  FileNameC previous;      // a copy of the previous generation, the base of an incremental delta
  FileNameC delta;         // the delta document
  FileNameC compressTemp;  // the compressed file until it is renamed into place
  FileNameC publish;       // what is staged: the inventory file or the delta
  FileNameC staged;        // the file in the upload directory
  bool written = false;    // the full inventory was written by this run
  TrkBaseReaderC baseReader;  // the base of the delta, read while the phases run
};

hx::ResultT TrkTrackerC::Run(ZORHXContextI* context, int* exitCode) {
  if (IsInventoryRecentEnough()) {
    trk::LogGeneral(LOG_NO_NEW_INVENTORY, TXT_NO_NEW_INVENTORY);
    if (exitCode != nullptr) *exitCode = hx::RC_OK;
    return hx::RC_OK;
  }
  TrkTrackerGUIC::Initialise();
  RunFilesT files;
  hx::ResultT r = hx::RC_OK;
  const bool declined = !TrkTrackerGUIC::Instance()->DisplayStartupWindow();
  if (declined) {
    r = Error(MSG_CANCELLED, TXT_CANCELLED);
  } else {
    r = RunSteps(context, files);
  }
  r = CloseRun(files, r, declined);
  DEBPackageListerC::DropQueryAhead();  // a run that ended before its packages
  if (exitCode != nullptr) *exitCode = r;
  return r;
}

hx::ResultT TrkTrackerC::RunSteps(ZORHXContextI* context, RunFilesT& files) {
  TrkTrackerGUIC::Instance()->DisplayStatusWindow();
  trk::Progress(PRG_INITIALISING, TXT_INITIALISING);
  trk::NextStatusItem(true);

  const bool guidAsName = prefs_.GetBoolean(P::c_UseGuidAsName, 0);
  const StringC type = prefs_.GetValue(P::c_InventoryType);
  const bool tamperShield = prefs_.GetBoolean(P::c_TamperShield, 0);
  const bool machine = hx::EqualsNoCase(type, P::c_MachineInventory);
  const bool user = hx::EqualsNoCase(type, P::c_UserInventory);

  RemoveStaleFiles(type);
  StartReadingBase(files, guidAsName, type);
  // The Debian package query takes about as long as the rest of a run without a file scan: it
  // runs while the phases before the packages go on.
  for (const StringC& t : PackageDbC::SplitTypes(hx::Join(prefs_.GetMultiValue(P::c_PackageDatabaseTypes), ",")))
    if (t == trk::c_DebPackageType) DEBPackageListerC::QueryAhead();
  hx::ResultT r = TrackPhases(context, machine, user);
  // Tracking is the long step: a cancellation during it (a stop signal included) ends the run
  // before anything is written.
  if (hx::Succeeded(r) && TrkTrackerGUIC::IsCancelled()) r = Error(MSG_CANCELLED, TXT_CANCELLED);
  if (hx::Failed(r)) files.baseReader.Stop();
  trk::NextStatusItem(hx::Succeeded(r));

  const bool anyInventory =
      prefs_.GetBoolean(P::c_IncludeMachineInventory, 0) || prefs_.GetBoolean(P::c_IncludeUserInventory, 0);
  if (anyInventory && hx::Succeeded(r)) files.inventory = InventoryFileName(guidAsName);
  // Without an earlier inventory there is nothing to take a delta against; a link in its place
  // is not one (it is somebody else's, and the new inventory replaces it).
  if (!files.inventory.empty() && prefs_.GetBoolean(P::c_Difference, 0) && !IsOwnInventory(files.inventory))
    SetPreference(P::c_Difference, StringC(c_False));
  // Nor is a delta of use to a server that misses a generation the uploader had to drop.
  if (!files.inventory.empty() && prefs_.GetBoolean(P::c_Difference, 0) &&
      UplUploaderC::FullInventoryRequested(
          UplUploaderC::GetUploadDirectory(trk::FileNameValue(prefs_, P::c_UploadRule), type))) {
    trk::LogGeneral(trk::staging::LOG_FULL_REQUESTED, trk::staging::TXT_FULL_REQUESTED);
    SetPreference(P::c_Difference, StringC(c_False));
  }

  if (files.inventory.empty() || !prefs_.GetBoolean(P::c_Difference, 0)) files.baseReader.Stop();

  if (!files.inventory.empty() && hx::Succeeded(r) && prefs_.GetBoolean(P::c_Difference, 0) &&
      prefs_.GetBoolean(P::c_IncrementalDiff, 0))
    r = PreparePreviousGeneration(files);

  if (files.inventory.empty() && hx::Succeeded(r)) {
    trk::NextStatusItem(true);  // the generating step, with nothing to generate
  } else if (!files.inventory.empty() && hx::Succeeded(r)) {
    r = WriteInventory(context, files);
  }

  trk::LogGeneral(LOG_UPLOAD_STARTED, TXT_UPLOAD_STARTED);
  if (!files.inventory.empty() && hx::Succeeded(r)) {
    if (!prefs_.GetBoolean(P::c_Difference, 0)) {
      trk::LogGeneral(LOG_FULL_INVENTORY, TXT_FULL_INVENTORY);
    } else {
      trk::LogGeneral(LOG_DELTA_INVENTORY, TXT_DELTA_INVENTORY, prefs_.GetValue(P::c_Generation),
              prefs_.GetValue(P::c_GenerationMax));
    }
    r = StageInventory(files, type, guidAsName, tamperShield);
  } else if (hx::Succeeded(r) && prefs_.GetBoolean(P::c_Compress, 0)) {
    trk::NextStatusItem(true);  // the compressing step, with nothing to compress
  }

  if (hx::Succeeded(r) && prefs_.GetBoolean(P::c_Upload, 0)) {
    trk::Progress(PRG_UPLOADING, TXT_PRG_UPLOADING);
    trk::ProgressMax(1);
    r = outer_->UploadInventory(files.staged.c_str(), context);
  }
  return r;
}

// The checks the run makes before its delta step, without their log lines (that step writes
// them): a delta is expected, against an inventory file of this run's own.
void TrkTrackerC::StartReadingBase(RunFilesT& files, bool guidAsName, const StringC& type) {
  const bool anyInventory =
      prefs_.GetBoolean(P::c_IncludeMachineInventory, 0) || prefs_.GetBoolean(P::c_IncludeUserInventory, 0);
  // A generated name is new every run: there is no earlier file under it.
  if (!anyInventory || guidAsName || !prefs_.GetBoolean(P::c_Difference, 0)) return;
  const FileNameC file = InventoryFileName(false);
  if (!hx::IsRegularFileNoFollow(file.str()) ||
      UplUploaderC::FullInventoryRequested(UplUploaderC::GetUploadDirectory(trk::FileNameValue(prefs_, P::c_UploadRule), type)))
    return;
  files.baseReader.Start(file);
}

namespace {

// A phase on the flag trace (letter P, bit 0): its start, then its result and time.
template <typename PhaseT>
hx::ResultT TracedPhase(const char* name, PhaseT&& phase) {
  hx::TrkTrace('P', 0, "Phase %1$s started\n", name);
  const auto started = std::chrono::steady_clock::now();
  const hx::ResultT r = phase();
  hx::TrkTrace('P', 0, "Phase %1$s ended: 0x%2$08X after %3$ld ms\n", name, static_cast<uint32_t>(r),
               static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
  return r;
}

}  // namespace

hx::ResultT TrkTrackerC::TrackPhases(ZORHXContextI* context, bool machine, bool user) {
  ZORHXTInventoryI* inventory = inventory_.get();
  hx::ResultT r = hx::RC_OK;
  if ((machine && prefs_.GetBoolean(P::c_Hardware, 0)) || (user && prefs_.GetBoolean(P::c_UserHardware, 0)))
    r = TracedPhase("hardware", [&] { return outer_->TrackHardware(inventory, context); });
  if (hx::Succeeded(r)) r = TracedPhase("keys", [&] { return outer_->TrackKeys(inventory, context); });
  if (hx::Succeeded(r) && (machine || (user && prefs_.GetBoolean(P::c_TrackFilesInUserInventory, 0))))
    r = TracedPhase("contents", [&] { return outer_->TrackContents(inventory, context); });
  if (hx::Succeeded(r)) r = TracedPhase("packages", [&] { return outer_->TrackPackages(inventory, context); });
  return r;
}

FileNameC TrkTrackerC::InventoryFileName(bool guidAsName) {
  if (guidAsName) generatedName_ = NewGuid() + c_InventoryNameExtension;
  const StringC name = guidAsName ? generatedName_ : trk::FileNameValue(prefs_, P::c_InventoryFile);
  return trk::InventoryPath(prefs_.GetValue(P::c_InventoryDirectory), name, prefs_.GetValue(P::c_JobTag));
}

bool TrkTrackerC::IsOwnInventory(const FileNameC& file) {
  if (hx::IsSymbolicLink(file.str())) {
    trk::LogGeneral(LOG_LINK_REFUSED, TXT_LINK_REFUSED, file.text());
    return false;
  }
  return hx::IsRegularFileNoFollow(file.str());
}

hx::ResultT TrkTrackerC::TrustedDirectory(const FileNameC& dir) {
  hx::TrustFailureT failure;
  const hx::ResultT rc = hx::EnsureTrustedDirectory(dir.str(), &failure);
  if (rc != hx::RC_UNTRUSTED) return rc;
  hx::ReportRefusal(failure);
  return Error(hx::RC_UNTRUSTED, hx::TXT_UNTRUSTED, dir.text(), failure.Describe());
}

void TrkTrackerC::RemoveStaleFiles(const StringC& type) {
  const FileNameC dirs[] = {FileNameC(prefs_.GetValue(StringC(c_TempDirectory))),
                            UplUploaderC::GetUploadDirectory(trk::FileNameValue(prefs_, P::c_UploadRule), type)};
  for (const FileNameC& dir : dirs) {
    // Only in a place the run may write into (a link there is not one: its files are not ours).
    if (hx::Failed(hx::CheckTrusted(dir.str(), nullptr, nullptr)) || hx::IsSymbolicLink(dir.str())) continue;
    const size_t removed = trk::RemoveStaleRunFiles(dir);
    if (removed > 0) trk::LogGeneral(LOG_STALE_REMOVED, TXT_STALE_REMOVED, static_cast<unsigned long>(removed), dir.text());
  }
}

FileNameC TrkTrackerC::CreateTempIn(const FileNameC& dir, const StringC& suffix, const char* what) {
  hx::ResultT rc = TrustedDirectory(dir);
  FileNameC file;
  if (hx::Succeeded(rc)) {
    file = trk::CreateRunTempFile(dir, suffix);
    if (file.empty()) rc = hx::RcFromErrno(errno);
  }
  if (file.empty()) trk::LogGeneral(LOG_TEMP_FAILED, TXT_TEMP_FAILED, what, dir.text(), Describe(rc));
  return file;
}

hx::ResultT TrkTrackerC::PreparePreviousGeneration(RunFilesT& files) {
  const StringC suffix = "." + prefs_.GetValue(P::c_InventoryExtension);
  const FileNameC tempDir(prefs_.GetValue(StringC(c_TempDirectory)));
  files.previous = CreateTempIn(tempDir, suffix, c_PreviousGeneration);
  // A copy, not a move: the previous inventory stays under its name until the new one replaces
  // it in one step. A run that dies in between (killed, the machine going down) then leaves
  // the next run the base its delta needs, instead of no inventory at all. The temporary
  // directory may be on another file system, which a copy does not mind either.
  const hx::ResultT rc = files.previous.empty() ? hx::RC_FAIL : FileService()->copy(files.inventory, files.previous, 0, 0);
  if (hx::Failed(rc) && !files.previous.empty())
    trk::LogGeneral(LOG_TEMP_FAILED, TXT_TEMP_FAILED, c_PreviousGeneration, tempDir.text(), Describe(rc));
  if (hx::Failed(rc)) trk::NextStatusItem(false);  // the generating step cannot be taken
  return hx::Failed(rc) ? hx::RC_FAIL : hx::RC_OK;
}

hx::ResultT TrkTrackerC::WriteFullInventory(ZORHXContextI* context, RunFilesT& files) {
  trk::Progress(PRG_GENERATING, TXT_PRG_GENERATING, files.inventory.text());
  // The inventory is saved under a temporary name and renamed into place, so a failed save
  // leaves the previous inventory as it was: it is still the right base of the next delta, as
  // nothing of this run was published. Nothing is removed here.
  const hx::ResultT r = outer_->GenerateInventory(inventory_.get(), files.inventory.c_str(), context);
  if (hx::Succeeded(r)) files.written = true;
  return r;
}

hx::ResultT TrkTrackerC::WriteInventory(ZORHXContextI* context, RunFilesT& files) {
  const bool difference = prefs_.GetBoolean(P::c_Difference, 0);
  const bool incremental = prefs_.GetBoolean(P::c_IncrementalDiff, 0);
  // Taken before anything is written: the inventory file must still be the one that was read.
  // The copy of an incremental delta's base was made from it, so it holds what was read too.
  std::unique_ptr<TrkBaseInventoryC> readBase;
  if (difference) readBase = files.baseReader.Take(files.inventory);
  files.baseReader.Stop();
  // Runs are one at a time (the semaphore), so a temporary file beside the inventory can only
  // be left from a run that was killed while saving.
  const size_t stale = XmlRemoveStaleSaveFiles(files.inventory);
  if (stale > 0)
    hx::Trace(c_TraceGenerate, "Removed %1$lu temporary file(s) of an interrupted save\n", static_cast<unsigned long>(stale));
  if (!difference || incremental) {
    const hx::ResultT r = WriteFullInventory(context, files);
    if (hx::Failed(r)) return r;
  }

  files.publish = files.inventory;
  if (difference) {
    const StringC suffix = "." + prefs_.GetValue(P::c_InventoryExtension);
    files.delta = CreateTempIn(FileNameC(prefs_.GetValue(StringC(c_TempDirectory))), suffix, c_DeltaFile);
    const FileNameC& base = incremental ? files.previous : files.inventory;
    const hx::ResultT rc = files.delta.empty() ? hx::RC_FAIL : GenerateDiff(base, files.delta, readBase.get());
    readBase.reset();
    if (rc == MSG_CANCELLED) return rc;
    if (hx::Failed(rc)) {
      trk::LogGeneral(LOG_DELTA_REVERTED, TXT_DELTA_REVERTED);
      SetPreference(P::c_Difference, StringC(c_False));
      // Against the kept full inventory nothing was written yet, and the file there is what the
      // delta could not use: the full inventory of this run replaces it and is published.
      if (!files.written) {
        const hx::ResultT r = WriteFullInventory(context, files);
        if (hx::Failed(r)) return r;
      }
    } else {
      files.publish = files.delta;
      // The existing file stays as it is: it is the base of every delta until the next full run.
      if (!files.written) trk::NextStatusItem(true);
    }
  }
  if (!prefs_.GetBoolean(P::c_Difference, 0)) SetPreference(P::c_Generation, StringC(c_Full));
  return hx::RC_OK;
}

hx::ResultT TrkTrackerC::StageInventory(RunFilesT& files, const StringC& type, bool guidAsName, bool tamperShield) {
  const FileNameC uploadDir = UplUploaderC::GetUploadDirectory(trk::FileNameValue(prefs_, P::c_UploadRule), type);
  hx::ResultT r = TrustedDirectory(uploadDir);
  if (hx::Failed(r)) return r;
  // A full inventory replaces whatever an earlier run left staged in the default directory.
  if (!prefs_.GetBoolean(P::c_Difference, 0) && prefs_.IsEmpty(StringC(c_UploadDirectory))) r = ClearDirectory(uploadDir);
  if (tamperShield) {
    const hx::ResultT signature = TamperShield(files.inventory);
    if (hx::Succeeded(r)) r = signature;
  }
  if (hx::Failed(r)) return r;

  const StringC stagedName = guidAsName ? generatedName_ : trk::FileNameValue(prefs_, P::c_UploadFile);
  if (prefs_.GetBoolean(P::c_Compress, 0)) return StageCompressed(files, uploadDir, stagedName);
  const FileNameC target = uploadDir.append(stagedName);
  if (hx::IsSymbolicLink(target.str())) trk::LogGeneral(LOG_LINK_REFUSED, TXT_LINK_REFUSED, target.text());
  if (FileService()->copy(files.publish, target, 0, 0) != hx::RC_OK) return hx::RC_FAIL;
  files.staged = target;
  return hx::RC_OK;
}

hx::ResultT TrkTrackerC::StageCompressed(RunFilesT& files, const FileNameC& uploadDir, const StringC& stagedName) {
  const StringC compressed = prefs_.GetValue(P::c_CompressedExtension);
  const int64_t size = FileService()->length(files.publish);
  trk::ProgressMax(size > 0 ? static_cast<uint64_t>(size / c_BytesPerProgressStep) : 0);
  const StringC suffix = "." + prefs_.GetValue(P::c_InventoryExtension) + "." + compressed + c_TempExtension;
  files.compressTemp = CreateTempIn(uploadDir, suffix, c_CompressedFile);
  hx::ResultT r = hx::RC_FAIL;
  if (!files.compressTemp.empty()) {
    trk::Progress(PRG_COMPRESSING, TXT_PRG_COMPRESSING, files.publish.baseName(), files.compressTemp.baseName());
    r = CompressInventory(files.publish, files.compressTemp);
    if (hx::Succeeded(r)) {
      const FileNameC target = uploadDir.append(stagedName + "." + compressed);
      // The rename replaces a link at the staged name; what it points to is left alone.
      if (hx::IsSymbolicLink(target.str())) trk::LogGeneral(LOG_LINK_REFUSED, TXT_LINK_REFUSED, target.text());
      if (FileService()->rename(files.compressTemp, target) == hx::RC_OK) {
        files.staged = target;
        files.compressTemp = FileNameC();
      } else {
        r = hx::RC_FAIL;
      }
    }
  }
  trk::NextStatusItem(hx::Succeeded(r));
  return r;
}

hx::ResultT TrkTrackerC::CloseRun(RunFilesT& files, hx::ResultT r, bool declined) {
  if (declined || TrkTrackerGUIC::IsCancelled()) trk::LogGeneral(LOG_TERMINATED_BY_USER, TXT_TERMINATED_BY_USER);
  if (TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance()) {
    if (hx::Failed(r)) {
      gui->DisplayErrorWindow();
    } else {
      gui->DisplayFinishedWindow();
    }
  }
  TrkTrackerGUIC::Finalise();
  for (const FileNameC* temp : {&files.previous, &files.delta, &files.compressTemp}) {
    // One that cannot be removed now is cleared by a later run (RemoveStaleFiles).
    if (!temp->empty() && hx::IsRegularFileNoFollow(temp->str())) HX_IGNORE_RESULT(FileService()->remove(*temp, 0));
  }
  return r;
}
