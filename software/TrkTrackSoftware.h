#pragma once
// TrkTrackSoftwareC: the file tracking step of a run. It walks every tracked directory root
// (TrkFileRules.h gives the roots and decides for every directory and file), and adds one file
// entity per tracked file to the inventory:
//
//   <Content MD5="..." Size="...">              MD5: 32 hexadecimal digits, "" when the file
//     <Instance Path="..." DateTime="..."/>     could not be read, "NO_MD5" when none was asked
//     <Property Name="ProductName" .../>        for; properties from the package database or
//     <Value>base64 of the content</Value>      a tag file; Value when the content is embedded
//   </Content>
//
// Each file is examined once: its status comes from the walker, and it is read at most once
// (TrkFileReaderC) for its digest, its embedded content and its tag data together. A file
// read only for its digest is hashed by a worker (TrkDigestPoolC, DigestThreads) while the
// walk goes on; its Content is linked in walk order at once, with the digest filled in when
// the worker is done, so the document is the one a single thread writes. A file whose status
// matches the digest cache of the last scan (TrkDigestCacheC, DigestCache) is not read at all
// unless its content is needed. The walk
// keeps no descriptor or stack frame per directory level (FileListerC), so deep trees and
// long paths cost nothing special; every file is opened relative to the handle of the
// directory the walk found it in, so a directory swapped for a link meanwhile cannot lead the
// scan out of its tree. The content of a file (embedded, or read as a tag file) is taken only
// when the owner of its directory could read it (MayTakeContent), and a file longer than
// DigestMaxFileSize gets no digest.
//
// File names are bytes; a name that is not UTF-8 is still walked and read by its bytes, and
// its Path shows each byte that is not part of a valid UTF-8 sequence as the ISO-8859-1
// character of that value; tab, line feed and carriage return show as blanks (the entity
// model's character rule), so the inventory stays well-formed XML.
//
// The platform class adds which file systems may be walked and where product names come
// from (TrkUnixTrackSoftware.h).

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/files/FileInfo.h"
#include "foundation/files/FileLister.h"
#include "foundation/trace/Tracer.h"
#include "inventory/TrkTrack.h"
#include "inventory/ZORHXTTracker.h"
#include "software/TrkDigestCache.h"
#include "software/TrkDigestPool.h"
#include "software/TrkFileRules.h"
#include "software/TrkSoftwareMessages.h"

class TrkPreferencesC;

// What the step needs of the run around it.
struct TrkSoftwareHostT {
  // Polled between entries: RC_OK to go on, or the result (already reported) that ends the
  // walk because the user cancelled.
  std::function<hx::ResultT()> checkCancel;
  // Shows a progress text (message id and default text) on the interactive display.
  std::function<void(hx::ResultT id, const char* text)> progress;
  // Told of every directory and regular file the walk meets, for a running count; may be empty.
  std::function<void(const std::string& path, const FileInfoC& info)> examined;
};

class TrkTrackSoftwareC : public TrkTrackC {
 public:
  static constexpr const char* c_ContentString = "Content";
  static constexpr const char* c_InstanceString = "Instance";
  static constexpr const char* c_PathString = "Path";
  static constexpr const char* c_DateTimeString = "DateTime";
  static constexpr const char* c_MD5String = "MD5";
  static constexpr const char* c_SizeString = "Size";
  static constexpr const char* c_NoMD5 = "NO_MD5";

  TrkTrackSoftwareC(TrkPreferencesC& prefs, TrkSoftwareHostT host);
  virtual ~TrkTrackSoftwareC();
  TrkTrackSoftwareC(const TrkTrackSoftwareC&) = delete;
  TrkTrackSoftwareC& operator=(const TrkTrackSoftwareC&) = delete;

  // Adds the tracked files below the inventory's root. `tracker` (may be null) is asked first
  // about every file (TrackContent). 0, or the negative result of a cancelled walk.
  HX_NODISCARD hx::ResultT Track(ZORHXTInventoryI* inventory, ZORHXTTrackerI* tracker, ZORHXContextI* context);

 protected:
  // Walks every root in order; stops after a cancelled walk.
  HX_NODISCARD virtual hx::ResultT TrackSoftware();
  // Walks one root; 0, or the negative result when the user cancelled.
  HX_NODISCARD virtual hx::ResultT TrackDirectory(const std::string& root);
  virtual void LogFileTrackStart();
  virtual void LogFileTrackEnd();
  // What the platform does before the first root is walked.
  virtual void PrepareWalk() {}
  // Whether the file system of an entry may be walked at all.
  virtual bool IsOnWalkedDevice(const FileInfoC& /*info*/) const { return true; }
  // Sees every regular file the walk meets, tracked or not, before it is decided on.
  virtual void OfferFile(const std::string& /*path*/) {}
  // Adds product name and version properties to a tracked file's Content; by default none.
  virtual void AddVersionInformation(TrkInventoryEntityC* /*content*/, const std::string& /*path*/) {}

  // The rules with the platform's device test.
  bool MatchDirectory(const std::string& path, const FileInfoC& info) const;

  TrkPreferencesC& prefs_;
  TrkSoftwareHostT host_;
  trk::TrkFileRulesT rules_;

 private:
  struct WalkT;
  // A Content linked into the tree whose digest a worker is computing.
  struct PendingT {
    std::unique_ptr<trk::TrkDigestJobT> job;
    RefM<TrkInventoryEntityC> content;
    FileInfoC info;
  };
  HX_NODISCARD hx::ResultT WalkRoot(const std::string& root);
  void TrackFile(const std::string& path, const FileInfoC& info, const WalkT& walk, FileListerC& lister);
  // Hands a tracked file's digest to the workers; its Content gets the digest in walk order.
  void Defer(const std::string& path, const FileInfoC& info, const RefM<TrkInventoryEntityC>& content,
             std::shared_ptr<const hx::UniqueFdC> dir, const std::string& name);
  void ClearPending();
  void PrepareDigests();
  void FinishDigests(bool completed);
  // Sets the digests the workers have finished, in walk order; with `all`, waits for every
  // one (still polling for cancellation). RC_OK, or the cancellation's result.
  HX_NODISCARD hx::ResultT TakeDigests(bool all);
  void SetDigest(TrkInventoryEntityC* content, const std::string& path, const FileInfoC& info,
                 const std::string& digest);
  TrkResultE ContentHook(TrkInventoryEntityC* content);
  void EmbedContent(const std::string& path, const std::string* bytes, TrkInventoryEntityC* content);
  const std::string& DateTimeText(time_t modified);

  TrkInventoryEntityC* root_ = nullptr;
  ZORHXTTrackerI* tracker_ = nullptr;
  ZORHXContextI* context_ = nullptr;
  std::vector<char> buffer_;
  std::string dateTimeFormat_;
  // Texts of the times formatted so far. The files of a tree share few distinct times, and each
  // conversion to local time asks the system for its zone rules again.
  std::unordered_map<time_t, std::string> dateTimes_;
  hx::TraceSiteC trace_{trk::c_TraceSoftware};
  unsigned digestThreads_ = 1;
  // Declared before the pool, so that the pool (whose workers may hold these jobs) goes first.
  std::deque<PendingT> pending_;
  size_t heldDirRuns_ = 0;  // runs of pending_ whose jobs share one directory handle
  int64_t digestBudget_ = 0;  // DigestMaxFileSize
  std::unique_ptr<trk::TrkDigestPoolC> pool_;
  std::string cachePath_;
  int64_t scanStartNs_ = 0;
  std::unique_ptr<trk::TrkDigestCacheC> cache_;  // while the scan uses the cache
  // Tracked files whose digest was read, and those whose digest came from the cache.
  uint64_t digestsRead_ = 0;
  uint64_t digestsCached_ = 0;
};
