#pragma once
// The rules of file tracking: which directories the scan walks, which files become file
// entities in the inventory and whose content is embedded. Every rule is a pure function of
// the rule set (the file-tracking preferences, read once per walked root) and of the path and
// status of the entry; the scan (TrkTrackSoftware.h) only calls them.
//
// A rule answers TrkInclude (0: it matched positively), TrkExclude (1) or TrkNoDecision (2).
// Rules of one kind are tried in a fixed order and the first answer other than TrkNoDecision
// wins, so an exclude rule earlier in the order beats an include rule later in it: an
// excluded name wins over an included extension, an included name over an excluded extension.
//
// Patterns match whole texts without regard to case, "*" any run and "?" any one character
// (hx::WildcardMatch). Directory entries name directories, not subtrees: the subtree rules
// (IsChildOfDirectories) compare path components exactly instead.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/core/Text.h"
#include "inventory/ZORHXTTracker.h"

class TrkPreferencesC;

namespace trk {

// A permission-bit rule ("111": any execute bit; "!022": neither group- nor other-writable).
struct PermissionMaskT {
  int32_t mask = 0;     // 0 or less: no rule
  bool negate = false;  // the value began with "!"
};

// The file-tracking preferences as the rules use them. Directory lists keep their entries as
// written; the extension lists have their leading dots removed once here.
struct TrkFileRulesT {
  StringArrayC includeDirectory, excludeDirectory;
  StringArrayC embedDirectory, excludeEmbedDirectory;
  StringArrayC includeFile, excludeFile;
  StringArrayC includeExtension, excludeExtension, embedExtension, swidTagExtension;
  StringArrayC includeMD5, excludeMD5;
  bool md5Rules = false;  // IncludeMD5 or ExcludeMD5 exists: the MD5 rule computes digests
  PermissionMaskT includeMask, excludeMask;
  bool includeExecutables = false;
  int64_t embedMaxSize = 0;

  // Reads every rule preference (lists expanded).
  static TrkFileRulesT FromPreferences(TrkPreferencesC& prefs);
};

// ---- path forms ----

// dir + "/" + name (no doubled "/"); with an empty name, dir without one trailing "/" when it
// is longer than three characters.
std::string GetPlatformPath(std::string_view dir, std::string_view name);
// The text after the last "." anywhere in the path ("d/tool" of "/opt/lib.d/tool"); "" when
// there is none.
std::string_view GetPlatformExtension(std::string_view path);
// The text after the last "/".
std::string_view BaseNameOf(std::string_view path);

// ---- comparisons ----

// Both normalised (GetPlatformPath with an empty name, "\" as "/"), then a wildcard match.
bool CompareDirectory(std::string_view path, std::string_view entry);
bool CompareFile(std::string_view baseName, std::string_view entry);
// The entry without its leading dots; "*.so" needs a "." inside the extension.
bool CompareExtension(std::string_view extension, std::string_view entry);
bool CompareMD5(std::string_view digest, std::string_view entry);
bool FindDirectory(const StringArrayC& list, std::string_view path);
bool FindFile(const StringArrayC& list, std::string_view baseName);
bool FindExtension(const StringArrayC& list, std::string_view extension);
bool FindMD5(const StringArrayC& list, std::string_view digest);
// True when an entry is exactly "\" (every path), or when the entry's components lead the
// path's (equal paths included), compared exactly, both absolute or both relative.
bool IsChildOfDirectories(const StringArrayC& list, std::string_view path);

// ---- permissions ----

// "!" sets the negate flag; the rest is read as an octal number (0 when it is not one).
PermissionMaskT ParsePermissionsMask(std::string_view value);
// False without a rule; otherwise whether some permission bit is in the mask, inverted when
// negated.
bool ComparePermissionsMask(uint32_t permissions, PermissionMaskT mask);
// Some execute bit set and no extension in the (base) name.
bool IsExecutable(std::string_view baseName, uint32_t permissions);

// ---- the rules ----

TrkResultE MatchFile(const TrkFileRulesT& rules, std::string_view baseName);
TrkResultE MatchFileExtension(const TrkFileRulesT& rules, std::string_view path);
TrkResultE MatchEmbedFileExtension(const TrkFileRulesT& rules, std::string_view path);
TrkResultE MatchPermissionsMask(const TrkFileRulesT& rules, uint32_t permissions);
TrkResultE MatchIsExecutable(const TrkFileRulesT& rules, std::string_view baseName, uint32_t permissions);
// The answer of the MD5 rule for a computed digest ("" for a file that could not be read).
TrkResultE MatchMD5Digest(const TrkFileRulesT& rules, std::string_view digest);
// TrkInclude when the length is known and not above EmbedFileContentMaxSize.
TrkResultE MatchEmbedFileMaxSize(const TrkFileRulesT& rules, int64_t length, bool lengthKnown);
bool IsSwidTagFile(const TrkFileRulesT& rules, std::string_view extension);

// Where the MD5 rule gets a file's digest: computed at most once, on the first call.
class FileDigestSourceI {
 public:
  virtual const std::string& Digest() = 0;

 protected:
  ~FileDigestSourceI() = default;
};

// The track answer: the MD5 rule (only with md5Flag and a digest rule; *digest then receives
// the digest), the permission masks, the file names, the extensions, the executables, in this
// order; the first answer other than TrkNoDecision.
TrkResultE MatchFileAll(const TrkFileRulesT& rules, std::string_view path, uint32_t permissions, bool md5Flag,
                        FileDigestSourceI& source, std::string* digest);

// Whether the walk descends into a directory met below a root (the device test comes first,
// from the caller): not when the directory is a root of its own (IncludeDirectory or
// EmbedFileContentDirectory), nor when both exclude lists name it.
bool DescendInto(const TrkFileRulesT& rules, std::string_view path);
// A root that both exclude lists name is not walked at all.
bool IsPrunedRoot(const TrkFileRulesT& rules, std::string_view path);
// The roots of the walk: every IncludeDirectory entry, then each EmbedFileContentDirectory
// entry that no IncludeDirectory entry matches as a pattern.
StringArrayC GetTrackedDirectories(const TrkFileRulesT& rules);
// Whether a file lies in the include subtrees (ExcludeDirectory first), and in the embedding
// subtrees; the device test is the caller's.
bool IsInIncludeTree(const TrkFileRulesT& rules, std::string_view path);
bool IsInEmbedTree(const TrkFileRulesT& rules, std::string_view path);

// Whether a mounted file system may be walked (classification flags of platform/MountTable.h).
// The type test is skipped for a local block device that is neither removable nor the process
// file system, and, with IncludeNetworkDrives, for a network file system; otherwise the type
// must be listed in IncludeFileSystemType. A type in ExcludeFileSystemType is never walked.
// Types compare without regard to case.
bool IsFileSystemWalked(std::string_view type, uint32_t flags, const StringArrayC& includeTypes,
                        const StringArrayC& excludeTypes, bool includeNetworkDrives);

// The decision for one file from the three answers: tracked when the embed answer is
// TrkInclude, or else when the track answer is; embedded when the embed answer is.
struct FileDecisionT {
  bool tracked = false;
  bool embed = false;
};
FileDecisionT DecideFile(TrkResultE track, bool inIncludeTree, TrkResultE embed, bool inEmbedTree);

// A regular file as the walk met it, put to the rules once.
struct FileAskT {
  std::string_view path;  // must outlive the ruling
  uint32_t permissions = 0;
  int64_t size = 0;
  bool sizeKnown = false;
  bool onWalkedDevice = true;  // the platform's device test
  bool generateMD5 = false;
  bool versionInfo = false;  // tag files are read for their version information
};

// The rules' ruling on one file. What follows from its name and status is known at once (the
// scan needs the embed answer before the file is read, so that a file to embed is read once for
// its digest and its content); the decision comes once the content hook has answered. Behind
// it the rule operations run in their order: content hook, track rules, include subtrees, embed
// rules, embedding subtrees; the file's extension is taken once.
class FileRulingC {
 public:
  FileRulingC(const TrkFileRulesT& rules, const FileAskT& ask);
  // Embedding was refused by the size limit alone (the scan logs it).
  bool EmbedTooLarge() const { return embedTooLarge_; }
  // The embed answer is TrkInclude and the file lies in an embedding subtree.
  bool InEmbedTree() const { return inEmbedTree_; }
  // A product or component tag file, read for version information.
  bool ProductTag() const { return productTag_; }
  // A software identification tag file: its digest is computed even without GenerateMD5.
  bool SwidTag() const { return swidTag_; }
  // The decision: the hook's answer, or, when it left the file to the rules (TrkNoDecision),
  // the track rules (the MD5 rule reading through source; *digest receives its digest).
  FileDecisionT Decide(TrkResultE hook, FileDigestSourceI& source, std::string* digest) const;

 private:
  const TrkFileRulesT& rules_;
  FileAskT ask_;
  TrkResultE embed_ = TrkNoDecision;
  bool embedTooLarge_ = false;
  bool inEmbedTree_ = false;
  bool productTag_ = false;
  bool swidTag_ = false;
};

}  // namespace trk
