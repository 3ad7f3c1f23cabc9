#include "software/TrkTrackSoftware.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "foundation/core/Text.h"
#include "foundation/files/FileService.h"
#include "foundation/log/LogManager.h"
#include "foundation/trace/TraceFlags.h"
#include "foundation/time/IsoDateTime.h"
#include "inventory/TrkInventoryEntity.h"
#include "prefs/tracker/TrkPreferences.h"
#include "software/TrkFileReader.h"
#include "software/TrkSoftwareMessages.h"
#include "software/TrkTagFiles.h"

namespace {

using P = TrkPreferencesC;
using namespace trk;

constexpr const char* c_ListSeparator = ";";
// How often a scan waiting for a worker looks whether the user cancelled.
constexpr unsigned c_CancelPollMillis = 50;
constexpr int64_t c_NsPerSecond = 1000000000;
// DigestMaxFileSize when it is not set or not a number: 16 GiB.
constexpr int64_t c_DefaultDigestBudget = int64_t{16} << 30;
// Runs of jobs of one directory that may wait for the workers at once: each holds a handle of
// its directory, and the process's descriptors are few.
constexpr size_t c_MaxHeldDirRuns = 256;

template <typename... Args>
void LogInfo(hx::ResultT id, const char* text, Args&&... args) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, id, text, std::forward<Args>(args)...);
}

void LogRule(const StringArrayC& values, hx::ResultT id, const char* text) {
  if (!values.empty()) LogInfo(id, text, hx::Join(values, c_ListSeparator));
}

}  // namespace

// What stays the same for every entry of one root's walk.
struct TrkTrackSoftwareC::WalkT {
  bool generateMD5 = false;
  bool versionInfo = false;
  bool tracing = false;
};

TrkTrackSoftwareC::TrkTrackSoftwareC(TrkPreferencesC& prefs, TrkSoftwareHostT host)
    : prefs_(prefs), host_(std::move(host)) {}

TrkTrackSoftwareC::~TrkTrackSoftwareC() = default;

hx::ResultT TrkTrackSoftwareC::Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker, ZORHXContextI* context) {
  // The file entities are this program's own: they go below the root of the document the step
  // was given to write into.
  RefM<TrkInventoryEntityC> root;
  const hx::ResultT got = OwnRoot(inventory, &root);
  if (hx::Failed(got)) return got;
  root_ = root.get();
  tracker_ = tracker;
  context_ = context;
  const hx::ResultT r = TrackSoftware();
  root_ = nullptr;
  return r;
}

hx::ResultT TrkTrackSoftwareC::TrackSoftware() {
  hx::Trace(trace_, "Started tracking software\n");
  LogInfo(LOG_SW_STARTED, TXT_SW_STARTED);
  rules_ = TrkFileRulesT::FromPreferences(prefs_);
  const StringArrayC roots = GetTrackedDirectories(rules_);
  if (!roots.empty()) LogFileTrackStart();
  PrepareWalk();
  PrepareDigests();

  hx::ResultT r = hx::RC_OK;
  for (const std::string& entry : roots) {
    const std::string root = GetPlatformPath(entry, std::string_view());
    FileInfoC info;
    // A root given as a link is not followed, nor one on a file system that is not walked.
    if (hx::Failed(info.read(FileNameC(root), false)) || !info.isDirectory() || !IsOnWalkedDevice(info)) continue;
    r = TrackDirectory(root);
    if (hx::Failed(r)) break;
  }
  FinishDigests(hx::Succeeded(r));
  if (!roots.empty()) LogFileTrackEnd();
  if (hx::Succeeded(r)) LogInfo(LOG_SW_FINISHED, TXT_SW_FINISHED);
  hx::Trace(trace_, "Finished tracking software\n");
  return r;
}

void TrkTrackSoftwareC::LogFileTrackStart() {
  LogInfo(LOG_FILES_STARTED, TXT_FILES_STARTED);
  LogRule(prefs_.GetMultiValue(P::c_IncludeDirectory), LOG_RULE_INCLUDE_DIRECTORY, TXT_RULE_INCLUDE_DIRECTORY);
  LogRule(prefs_.GetMultiValue(P::c_ExcludeDirectory), LOG_RULE_EXCLUDE_DIRECTORY, TXT_RULE_EXCLUDE_DIRECTORY);
  LogRule(prefs_.GetMultiValue(P::c_IncludeMD5), LOG_RULE_INCLUDE_MD5, TXT_RULE_INCLUDE_MD5);
  LogRule(prefs_.GetMultiValue(P::c_ExcludeMD5), LOG_RULE_EXCLUDE_MD5, TXT_RULE_EXCLUDE_MD5);
  LogRule(prefs_.GetMultiValue(P::c_IncludeFile), LOG_RULE_INCLUDE_FILE, TXT_RULE_INCLUDE_FILE);
  LogRule(prefs_.GetMultiValue(P::c_ExcludeFile), LOG_RULE_EXCLUDE_FILE, TXT_RULE_EXCLUDE_FILE);
  LogRule(prefs_.GetMultiValue(P::c_IncludeExtension), LOG_RULE_INCLUDE_EXTENSION, TXT_RULE_INCLUDE_EXTENSION);
  LogRule(prefs_.GetMultiValue(P::c_EmbedFileContentExtension), LOG_RULE_EMBED_EXTENSION, TXT_RULE_EMBED_EXTENSION);
  LogRule(prefs_.GetMultiValue(P::c_EmbedFileContentDirectory), LOG_RULE_EMBED_DIRECTORY, TXT_RULE_EMBED_DIRECTORY);
  LogRule(prefs_.GetMultiValue(P::c_ExcludeEmbedFileContentDirectory), LOG_RULE_EXCLUDE_EMBED_DIRECTORY,
          TXT_RULE_EXCLUDE_EMBED_DIRECTORY);
  LogRule(prefs_.GetMultiValue(P::c_ExcludeExtension), LOG_RULE_EXCLUDE_EXTENSION, TXT_RULE_EXCLUDE_EXTENSION);
  const StringC includeMask = prefs_.GetValue(P::c_IncludePermissionsMask);
  if (!includeMask.empty()) LogInfo(LOG_RULE_INCLUDE_MASK, TXT_RULE_INCLUDE_MASK, includeMask);
  const StringC excludeMask = prefs_.GetValue(P::c_ExcludePermissionsMask);
  if (!excludeMask.empty()) LogInfo(LOG_RULE_EXCLUDE_MASK, TXT_RULE_EXCLUDE_MASK, excludeMask);
}

void TrkTrackSoftwareC::LogFileTrackEnd() { LogInfo(LOG_FILES_FINISHED, TXT_FILES_FINISHED); }

// ---- the walk ----

hx::ResultT TrkTrackSoftwareC::TrackDirectory(const std::string& root) {
  hx::Trace(trace_, "Directory included: %s\n", root);
  // The rules are read afresh for every root, so a change of preferences meanwhile counts from
  // the next root on; within one walk they stay fixed.
  rules_ = TrkFileRulesT::FromPreferences(prefs_);
  if (IsPrunedRoot(rules_, root)) {
    hx::Trace(trace_, "Directory pruned: %s\n", root);
    return hx::RC_OK;
  }
  LogInfo(LOG_SCANNING, TXT_SCANNING, FileNameC(root).text());
  FileInfoC info;
  if (hx::Failed(info.read(FileNameC(root), false)) || !info.isDirectory()) return hx::RC_OK;
  return WalkRoot(root);
}

hx::ResultT TrkTrackSoftwareC::WalkRoot(const std::string& root) {
  WalkT walk;
  walk.generateMD5 = prefs_.GetBoolean(P::c_GenerateMD5, 0);
  walk.versionInfo = prefs_.GetBoolean(P::c_VersionInfo, 0);
  const bool recurse = prefs_.GetBoolean(P::c_Recurse, 1);
  dateTimeFormat_ = prefs_.GetValue(P::c_DateTimeFormat);
  dateTimes_.clear();

  FileListerC lister = FileService()->getLister(FileNameC(root), recurse ? hx::LIST_RECURSE : 0);
  FileNameC name;
  FileInfoC info;
  walk.tracing = hx::TraceEnabled(trace_);
  while (lister.getNext(&name, &info) == hx::RC_OK) {
    if (host_.checkCancel) {
      const hx::ResultT cancelled = host_.checkCancel();
      if (hx::Failed(cancelled)) {
        lister.cancel();
        if (pool_) pool_->Cancel();
        ClearPending();
        return cancelled;
      }
    }
    if (name.empty() || !info.hasStatus()) {
      // An unreadable directory or entry is skipped without a message; a directory that was
      // swapped or removed under the walk is named, since someone may have tried to lead the
      // scan elsewhere.
      if (name.empty() && lister.lastError() == hx::RcFromErrno(ESTALE))
        LogInfo(LOG_DIR_REPLACED, TXT_DIR_REPLACED, lister.errorPath().text());
      lister.clearError();
      continue;
    }
    if (host_.examined && (info.isDirectory() || info.isRegular())) host_.examined(name.str(), info);
    if (info.isDirectory()) {
      if (!recurse) continue;
      const bool descend = MatchDirectory(name.str(), info);
      if (!descend) lister.ascend();
      if (walk.tracing) hx::Trace(trace_, descend ? "Directory tracked: %s\n" : "Directory pruned: %s\n", name.text());
    } else if (info.isRegular()) {
      TrackFile(name.str(), info, walk, lister);
      const hx::ResultT taken = pending_.empty() ? hx::RC_OK : TakeDigests(false);
      if (hx::Failed(taken)) {
        lister.cancel();
        return taken;
      }
    }
  }
  return TakeDigests(true);
}

// ---- digests on the workers and from the cache ----

void TrkTrackSoftwareC::PrepareDigests() {
  struct timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  scanStartNs_ = static_cast<int64_t>(now.tv_sec) * c_NsPerSecond + now.tv_nsec;
  int64_t wanted = 0;
  if (!hx::ParseInt64(prefs_.GetValue(P::c_DigestThreads), wanted)) wanted = 0;
  digestThreads_ = TrkDigestPoolC::ThreadsFor(static_cast<long>(wanted));
  if (!hx::ParseInt64(prefs_.GetValue(P::c_DigestMaxFileSize), digestBudget_) || digestBudget_ < 0)
    digestBudget_ = c_DefaultDigestBudget;
  pool_.reset();  // started at the first file handed to it
  cachePath_ = prefs_.GetValue(P::c_DigestCachePath);
  cache_.reset();
  if (prefs_.GetBoolean(P::c_DigestCache, 1) && !cachePath_.empty()) {
    cache_ = std::make_unique<TrkDigestCacheC>();
    cache_->Load(cachePath_);
    const hx::ResultT begun = cache_->Begin(cachePath_, scanStartNs_);
    if (hx::Failed(begun)) LogInfo(LOG_DIGEST_CACHE_NOT_SAVED, TXT_DIGEST_CACHE_NOT_SAVED, cachePath_, begun);
  }
  digestsRead_ = digestsCached_ = 0;
}

void TrkTrackSoftwareC::FinishDigests(bool completed) {
  pool_.reset();
  ClearPending();
  if (digestsRead_ + digestsCached_ > 0)
    LogInfo(LOG_DIGEST_COUNTS, TXT_DIGEST_COUNTS, std::to_string(digestsRead_), std::to_string(digestsCached_));
  // Only a finished scan knows every file it would keep; a cancelled one leaves the cache as
  // it was.
  if (completed && cache_) {
    const hx::ResultT saved = cache_->Commit();
    if (hx::Failed(saved)) LogInfo(LOG_DIGEST_CACHE_NOT_SAVED, TXT_DIGEST_CACHE_NOT_SAVED, cachePath_, saved);
  }
  cache_.reset();  // a new cache not committed is removed
}

hx::ResultT TrkTrackSoftwareC::TakeDigests(bool all) {
  while (!pending_.empty()) {
    PendingT& front = pending_.front();
    if (!TrkDigestPoolC::IsDone(front.job.get())) {
      // The walk goes on unless it is too far ahead (in files, or in directory handles its jobs
      // hold) or has ended.
      if (!all && pending_.size() < TrkDigestPoolC::c_MaxOutstanding && heldDirRuns_ <= c_MaxHeldDirRuns)
        return hx::RC_OK;
      while (!pool_->WaitFor(front.job.get(), c_CancelPollMillis)) {
        const hx::ResultT cancelled = host_.checkCancel ? host_.checkCancel() : hx::RC_OK;
        if (hx::Failed(cancelled)) {
          pool_->Cancel();
          ClearPending();
          return cancelled;
        }
      }
    }
    SetDigest(front.content.get(), front.job->path, front.info, front.job->digest);
    const std::shared_ptr<const hx::UniqueFdC> dir = std::move(front.job->dir);
    pending_.pop_front();
    if (pending_.empty() || pending_.front().job->dir != dir) --heldDirRuns_;
  }
  return hx::RC_OK;
}

void TrkTrackSoftwareC::SetDigest(TrkInventoryEntityC* content, const std::string& path, const FileInfoC& info,
                                  const std::string& digest) {
  // In the place the attribute already has; a fixed name, never empty, cannot be refused.
  HX_IGNORE_RESULT(content->Add(StringC(c_MD5String), digest));
  if (cache_) cache_->Record(path, info, digest);
}

bool TrkTrackSoftwareC::MatchDirectory(const std::string& path, const FileInfoC& info) const {
  return IsOnWalkedDevice(info) && DescendInto(rules_, path);
}

// ---- one file ----

void TrkTrackSoftwareC::TrackFile(const std::string& path, const FileInfoC& info, const WalkT& walk,
                                  FileListerC& lister) {
  OfferFile(path);
  RefM<TrkInventoryEntityC> content = TrkInventoryEntityC::New(c_ContentString);
  RefM<TrkInventoryEntityC> instance = TrkInventoryEntityC::New(c_InstanceString);
  // Fixed names and a new child: neither can be refused.
  HX_IGNORE_RESULT(instance->Add(StringC(c_PathString), path));
  HX_IGNORE_RESULT(content->AddEntity(instance.get()));

  // The rules are asked once; what follows from the name and the status comes first, so that a
  // file to embed is read once for its digest and its content together.
  const FileRulingC ruling(rules_, {path, info.permissions(), info.size(), info.hasStatus(), IsOnWalkedDevice(info),
                                    walk.generateMD5, walk.versionInfo});
  if (ruling.EmbedTooLarge())
    LogInfo(LOG_EMBED_TOO_LARGE, TXT_EMBED_TOO_LARGE, FileNameC(path).text(), std::to_string(info.size()),
            std::to_string(rules_.embedMaxSize));
  const bool inEmbedTree = ruling.InEmbedTree();
  TrkFileReaderC reader(lister.entryDirHandle(), lister.entryName(), info, buffer_);
  reader.LimitDigestTo(digestBudget_);
  const bool tagFile = ruling.ProductTag();
  std::string refusal;
  const bool contentRefused = (inEmbedTree || tagFile) && !MayTakeContent(info, lister.entryDirOwner(), &refusal);
  int64_t keep = -1;
  if (inEmbedTree) keep = rules_.embedMaxSize;
  if (tagFile) keep = std::max<int64_t>(keep, static_cast<int64_t>(c_MaxTagFileSize));
  reader.KeepContentUpTo(contentRefused ? -1 : keep);
  // A file whose content is needed is read anyway, and its digest is that of what was read.
  std::string cached;
  const bool fromCache =
      cache_ && !inEmbedTree && !tagFile && !reader.OverDigestBudget() && cache_->Find(path, info, &cached);
  if (fromCache) reader.UseDigest(cached);

  std::string digest = c_NoMD5;
  const TrkResultE hook = tracker_ != nullptr ? ContentHook(content.get()) : TrkNoDecision;
  const FileDecisionT decision = ruling.Decide(hook, reader, &digest);
  hx::TrkTrace('F', 0, "%1$s: %2$s%3$s\n", path, decision.tracked ? "tracked" : "not tracked",
               decision.embed ? ", content embedded" : "");
  if (!decision.tracked) return;

  // A file read only for its digest goes to a worker; one whose content is needed, or whose
  // trace lines name its digest, is read here.
  const bool wanted = digest == c_NoMD5 && (walk.generateMD5 || ruling.SwidTag());
  std::shared_ptr<const hx::UniqueFdC> sharedDir;
  const bool deferred = wanted && digestThreads_ > 1 && !reader.HasDigest() && !tagFile && !decision.embed &&
                        !walk.tracing && !reader.OverDigestBudget() && (sharedDir = lister.sharedEntryDir()) != nullptr;
  if (deferred)
    digest.clear();  // set in this place when the worker is done
  else if (wanted)
    digest = reader.Digest();
  if (reader.OverDigestBudget() && reader.HasDigest())
    LogInfo(LOG_DIGEST_TOO_LARGE, TXT_DIGEST_TOO_LARGE, FileNameC(path).text(), std::to_string(info.size()),
            std::to_string(digestBudget_));
  if (contentRefused && (decision.embed || tagFile))
    LogInfo(LOG_CONTENT_NOT_TAKEN, TXT_CONTENT_NOT_TAKEN, FileNameC(path).text(), refusal);
  const std::string& dateTime = DateTimeText(info.modificationTime());
  const std::string size = std::to_string(info.size());
  HX_IGNORE_RESULT(instance->Add(StringC(c_DateTimeString), dateTime));  // fixed names, never empty
  HX_IGNORE_RESULT(content->Add(StringC(c_MD5String), digest));
  HX_IGNORE_RESULT(content->Add(StringC(c_SizeString), size));
  if (!deferred && cache_) cache_->Record(path, info, digest);
  if (deferred || digest != c_NoMD5) ++(fromCache ? digestsCached_ : digestsRead_);
  if (walk.tracing) {
    const std::string shown = FileNameC(path).text();
    hx::Trace(trace_, "File tracked: %s\n", shown);
    if (walk.generateMD5) hx::Trace(trace_, "File MD5 tracked: %s\n", digest);
    hx::Trace(trace_, "File date and time tracked: %s\n", dateTime);
    hx::Trace(trace_, "File size tracked: %s bytes\n", size);
  }
  if (walk.versionInfo &&
      !(tagFile && !contentRefused && AddVersionInformationFromIBMTags(content.get(), path, reader.Content())))
    AddVersionInformation(content.get(), path);
  if (decision.embed && !contentRefused) {
    // Kept for the tag file but larger than the embedding limit: not embedded.
    const std::string* bytes = reader.Content();
    EmbedContent(path, bytes != nullptr && static_cast<int64_t>(bytes->size()) <= rules_.embedMaxSize ? bytes : nullptr,
                 content.get());
  }
  HX_IGNORE_RESULT(root_->AddEntity(content.get()));  // a new child: cannot be refused
  if (deferred) Defer(path, info, content, std::move(sharedDir), lister.entryName());
}

void TrkTrackSoftwareC::Defer(const std::string& path, const FileInfoC& info, const RefM<TrkInventoryEntityC>& content,
                              std::shared_ptr<const hx::UniqueFdC> dir, const std::string& name) {
  if (!pool_) pool_ = std::make_unique<TrkDigestPoolC>(digestThreads_);
  PendingT pending{std::make_unique<TrkDigestJobT>(), content, info};
  pending.job->path = path;
  pending.job->name = name;
  pending.job->device = info.device();
  pending.job->inode = info.inode();
  if (pending_.empty() || pending_.back().job->dir != dir) ++heldDirRuns_;
  pending.job->dir = std::move(dir);
  pool_->Submit(pending.job.get());
  pending_.push_back(std::move(pending));
}

void TrkTrackSoftwareC::ClearPending() {
  pending_.clear();
  heldDirRuns_ = 0;
}

TrkResultE TrkTrackSoftwareC::ContentHook(TrkInventoryEntityC* content) {
  TrkResultE answer = TrkNoDecision;
  if (hx::Failed(tracker_->TrackContent(content, context_, &answer))) return TrkNoDecision;
  return answer;
}

void TrkTrackSoftwareC::EmbedContent(const std::string& path, const std::string* bytes, TrkInventoryEntityC* content) {
  if (bytes == nullptr) {
    LogInfo(LOG_EMBED_FAILED, TXT_EMBED_FAILED, FileNameC(path).text());
    return;
  }
  RefM<TrkInventoryEntityC> value = TrkInventoryEntityC::New(c_Value);
  HX_IGNORE_RESULT(value->addText(Base64Encode(*bytes)));  // text is only appended
  HX_IGNORE_RESULT(content->AddEntity(value.get()));      // a new child: cannot be refused
}

const std::string& TrkTrackSoftwareC::DateTimeText(time_t modified) {
  constexpr size_t c_MaxRemembered = 65536;
  const auto known = dateTimes_.find(modified);
  if (known != dateTimes_.end()) return known->second;
  if (dateTimes_.size() >= c_MaxRemembered) dateTimes_.clear();
  IsoDateTimeC dt;
  dt.Set(modified);
  HX_IGNORE_RESULT(dt.SetTimezone(IsoTimeC::LocalTime, IsoDateTimeC::c_NoOffset));  // a valid time, no offset
  return dateTimes_.emplace(modified, dt.FormatTime(dateTimeFormat_)).first->second;
}
