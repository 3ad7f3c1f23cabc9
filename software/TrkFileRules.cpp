#include "software/TrkFileRules.h"

#include <algorithm>

#include "foundation/core/FileName.h"
#include "platform/MountTable.h"
#include "prefs/tracker/TrkPreferences.h"
#include "software/TrkTagFiles.h"

namespace trk {

namespace {

using P = TrkPreferencesC;

constexpr size_t c_KeepTrailingSlashUpTo = 3;
constexpr uint32_t c_ExecuteBits = 0111;
constexpr int c_OctalBase = 8;
constexpr char c_Negate = '!';
constexpr std::string_view c_EveryPath = "\\";

StringArrayC WithoutLeadingDots(StringArrayC list) {
  for (std::string& entry : list) entry.erase(0, entry.find_first_not_of('.'));
  return list;
}

std::string NormalisedDirectory(std::string_view path) {
  std::string p = GetPlatformPath(path, std::string_view());
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

// The next component of a path from position i on (empty components skipped); false at the end.
bool NextComponent(std::string_view path, size_t& i, std::string_view& component) {
  while (i < path.size() && path[i] == '/') ++i;
  if (i >= path.size()) return false;
  const size_t end = std::min(path.find('/', i), path.size());
  component = path.substr(i, end - i);
  i = end;
  return true;
}

bool LeadsPath(std::string_view entry, std::string_view path) {
  const bool entryAbsolute = !entry.empty() && entry[0] == '/';
  const bool pathAbsolute = !path.empty() && path[0] == '/';
  if (entryAbsolute != pathAbsolute) return false;
  size_t e = 0, p = 0;
  std::string_view ec, pc;
  while (NextComponent(entry, e, ec)) {
    if (!NextComponent(path, p, pc) || ec != pc) return false;
  }
  return true;
}

template <typename CompareF>
bool FindIn(const StringArrayC& list, std::string_view value, CompareF compare) {
  for (const std::string& entry : list) {
    if (compare(value, entry)) return true;
  }
  return false;
}

// Exclude list first, then include list.
template <typename CompareF>
TrkResultE ExcludeThenInclude(const StringArrayC& exclude, const StringArrayC& include, std::string_view value,
                              CompareF compare) {
  if (FindIn(exclude, value, compare)) return TrkExclude;
  if (FindIn(include, value, compare)) return TrkInclude;
  return TrkNoDecision;
}

int64_t ParseSize(const std::string& text) {
  int64_t value = 0;
  return hx::ParseInt64(text, value) ? value : 0;
}

}  // namespace

TrkFileRulesT TrkFileRulesT::FromPreferences(TrkPreferencesC& prefs) {
  TrkFileRulesT r;
  r.includeDirectory = prefs.GetMultiValue(P::c_IncludeDirectory);
  r.excludeDirectory = prefs.GetMultiValue(P::c_ExcludeDirectory);
  r.embedDirectory = prefs.GetMultiValue(P::c_EmbedFileContentDirectory);
  r.excludeEmbedDirectory = prefs.GetMultiValue(P::c_ExcludeEmbedFileContentDirectory);
  r.includeFile = prefs.GetMultiValue(P::c_IncludeFile);
  r.excludeFile = prefs.GetMultiValue(P::c_ExcludeFile);
  r.includeExtension = WithoutLeadingDots(prefs.GetMultiValue(P::c_IncludeExtension));
  r.excludeExtension = WithoutLeadingDots(prefs.GetMultiValue(P::c_ExcludeExtension));
  r.embedExtension = WithoutLeadingDots(prefs.GetMultiValue(P::c_EmbedFileContentExtension));
  r.swidTagExtension = WithoutLeadingDots(prefs.GetMultiValue(P::c_SwidTagExtension));
  r.includeMD5 = prefs.GetMultiValue(P::c_IncludeMD5);
  r.excludeMD5 = prefs.GetMultiValue(P::c_ExcludeMD5);
  r.md5Rules = prefs.Exists(P::c_IncludeMD5) || prefs.Exists(P::c_ExcludeMD5);
  r.includeMask = ParsePermissionsMask(prefs.GetValue(P::c_IncludePermissionsMask));
  r.excludeMask = ParsePermissionsMask(prefs.GetValue(P::c_ExcludePermissionsMask));
  r.includeExecutables = prefs.GetBoolean(P::c_IncludeExecutables, 0);
  r.embedMaxSize = ParseSize(prefs.GetValue(P::c_EmbedFileContentMaxSize));
  return r;
}

// ---- path forms ----

std::string GetPlatformPath(std::string_view dir, std::string_view name) {
  std::string p(dir);
  if (name.empty()) {
    if (p.size() > c_KeepTrailingSlashUpTo && p.back() == '/') p.pop_back();
    return p;
  }
  if (p.empty() || p.back() != '/') p.push_back('/');
  p.append(name);
  return p;
}

std::string_view GetPlatformExtension(std::string_view path) {
  const size_t dot = path.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

std::string_view BaseNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// ---- comparisons ----

bool CompareDirectory(std::string_view path, std::string_view entry) {
  return hx::WildcardMatch(NormalisedDirectory(entry), NormalisedDirectory(path));
}

bool CompareFile(std::string_view baseName, std::string_view entry) { return hx::WildcardMatch(entry, baseName); }

bool CompareExtension(std::string_view extension, std::string_view entry) {
  const size_t start = entry.find_first_not_of('.');
  return hx::WildcardMatch(start == std::string_view::npos ? std::string_view() : entry.substr(start), extension);
}

bool CompareMD5(std::string_view digest, std::string_view entry) { return hx::EqualsNoCase(digest, entry); }

bool FindDirectory(const StringArrayC& list, std::string_view path) { return FindIn(list, path, CompareDirectory); }
bool FindFile(const StringArrayC& list, std::string_view baseName) { return FindIn(list, baseName, CompareFile); }
bool FindExtension(const StringArrayC& list, std::string_view extension) {
  return FindIn(list, extension, CompareExtension);
}
bool FindMD5(const StringArrayC& list, std::string_view digest) { return FindIn(list, digest, CompareMD5); }

bool IsChildOfDirectories(const StringArrayC& list, std::string_view path) {
  for (const std::string& entry : list) {
    if (entry == c_EveryPath || LeadsPath(entry, path)) return true;
  }
  return false;
}

// ---- permissions ----

PermissionMaskT ParsePermissionsMask(std::string_view value) {
  PermissionMaskT m;
  if (!value.empty() && value[0] == c_Negate) {
    m.negate = true;
    value.remove_prefix(1);
  }
  int64_t mask = 0;
  if (hx::ParseInt64(value, mask, c_OctalBase) && mask > 0 && mask <= INT32_MAX) m.mask = static_cast<int32_t>(mask);
  return m;
}

bool ComparePermissionsMask(uint32_t permissions, PermissionMaskT mask) {
  if (mask.mask <= 0) return false;
  const bool some = (permissions & static_cast<uint32_t>(mask.mask)) != 0;
  return mask.negate ? !some : some;
}

bool IsExecutable(std::string_view baseName, uint32_t permissions) {
  return ComparePermissionsMask(permissions, PermissionMaskT{c_ExecuteBits, false}) &&
         GetPlatformExtension(baseName).empty();
}

// ---- the rules ----

TrkResultE MatchFile(const TrkFileRulesT& rules, std::string_view baseName) {
  return ExcludeThenInclude(rules.excludeFile, rules.includeFile, baseName, CompareFile);
}

TrkResultE MatchFileExtension(const TrkFileRulesT& rules, std::string_view path) {
  return ExcludeThenInclude(rules.excludeExtension, rules.includeExtension, GetPlatformExtension(path),
                            CompareExtension);
}

TrkResultE MatchEmbedFileExtension(const TrkFileRulesT& rules, std::string_view path) {
  return ExcludeThenInclude(rules.excludeExtension, rules.embedExtension, GetPlatformExtension(path), CompareExtension);
}

TrkResultE MatchPermissionsMask(const TrkFileRulesT& rules, uint32_t permissions) {
  if (ComparePermissionsMask(permissions, rules.excludeMask)) return TrkExclude;
  if (ComparePermissionsMask(permissions, rules.includeMask)) return TrkInclude;
  return TrkNoDecision;
}

TrkResultE MatchIsExecutable(const TrkFileRulesT& rules, std::string_view baseName, uint32_t permissions) {
  return rules.includeExecutables && IsExecutable(baseName, permissions) ? TrkInclude : TrkNoDecision;
}

TrkResultE MatchMD5Digest(const TrkFileRulesT& rules, std::string_view digest) {
  return ExcludeThenInclude(rules.excludeMD5, rules.includeMD5, digest, CompareMD5);
}

TrkResultE MatchEmbedFileMaxSize(const TrkFileRulesT& rules, int64_t length, bool lengthKnown) {
  return lengthKnown && length <= rules.embedMaxSize ? TrkInclude : TrkExclude;
}

bool IsSwidTagFile(const TrkFileRulesT& rules, std::string_view extension) {
  return FindExtension(rules.swidTagExtension, extension);
}

TrkResultE MatchFileAll(const TrkFileRulesT& rules, std::string_view path, uint32_t permissions, bool md5Flag,
                        FileDigestSourceI& source, std::string* digest) {
  if (md5Flag && rules.md5Rules) {
    *digest = source.Digest();
    const TrkResultE r = MatchMD5Digest(rules, *digest);
    if (r != TrkNoDecision) return r;
  }
  const std::string_view base = BaseNameOf(path);
  for (const TrkResultE r : {MatchPermissionsMask(rules, permissions), MatchFile(rules, base),
                             MatchFileExtension(rules, path), MatchIsExecutable(rules, base, permissions)}) {
    if (r != TrkNoDecision) return r;
  }
  return TrkNoDecision;
}

bool DescendInto(const TrkFileRulesT& rules, std::string_view path) {
  if (FindDirectory(rules.includeDirectory, path) || FindDirectory(rules.embedDirectory, path)) return false;
  return !IsPrunedRoot(rules, path);
}

bool IsPrunedRoot(const TrkFileRulesT& rules, std::string_view path) {
  return FindDirectory(rules.excludeDirectory, path) && FindDirectory(rules.excludeEmbedDirectory, path);
}

StringArrayC GetTrackedDirectories(const TrkFileRulesT& rules) {
  StringArrayC roots = rules.includeDirectory;
  for (const std::string& embed : rules.embedDirectory) {
    if (!FindDirectory(rules.includeDirectory, embed)) roots.push_back(embed);
  }
  return roots;
}

bool IsInIncludeTree(const TrkFileRulesT& rules, std::string_view path) {
  return !IsChildOfDirectories(rules.excludeDirectory, path) && IsChildOfDirectories(rules.includeDirectory, path);
}

bool IsInEmbedTree(const TrkFileRulesT& rules, std::string_view path) {
  return !IsChildOfDirectories(rules.excludeEmbedDirectory, path) && IsChildOfDirectories(rules.embedDirectory, path);
}

bool IsFileSystemWalked(std::string_view type, uint32_t flags, const StringArrayC& includeTypes,
                        const StringArrayC& excludeTypes, bool includeNetworkDrives) {
  constexpr uint32_t c_NotPlainLocal = hx::FS_REMOVABLE | hx::FS_PROCESS;
  constexpr uint32_t c_NotPlainNetwork = hx::FS_LOCAL_BLOCK | hx::FS_REMOVABLE | hx::FS_PROCESS;
  const bool plainLocal = (flags & hx::FS_LOCAL_BLOCK) != 0 && (flags & c_NotPlainLocal) == 0;
  const bool plainNetwork = includeNetworkDrives && (flags & hx::FS_NETWORK) != 0 && (flags & c_NotPlainNetwork) == 0;
  auto listed = [type](const StringArrayC& list) {
    return std::any_of(list.begin(), list.end(), [type](const std::string& t) { return hx::EqualsNoCase(t, type); });
  };
  if (!plainLocal && !plainNetwork && !listed(includeTypes)) return false;
  return !listed(excludeTypes);
}

FileRulingC::FileRulingC(const TrkFileRulesT& rules, const FileAskT& ask) : rules_(rules), ask_(ask) {
  const std::string_view extension = GetPlatformExtension(ask.path);
  embed_ = ExcludeThenInclude(rules.excludeExtension, rules.embedExtension, extension, CompareExtension);
  if (embed_ == TrkInclude) {
    embed_ = MatchEmbedFileMaxSize(rules, ask.size, ask.sizeKnown);
    embedTooLarge_ = embed_ != TrkInclude;
  }
  inEmbedTree_ = embed_ == TrkInclude && ask.onWalkedDevice && IsInEmbedTree(rules, ask.path);
  productTag_ = ask.versionInfo && IsProductTagExtension(extension);
  swidTag_ = IsSwidTagFile(rules, extension);
}

FileDecisionT FileRulingC::Decide(TrkResultE hook, FileDigestSourceI& source, std::string* digest) const {
  TrkResultE track = hook;
  if (track == TrkNoDecision)
    track = MatchFileAll(rules_, ask_.path, ask_.permissions, ask_.generateMD5, source, digest);
  const bool inIncludeTree = track == TrkInclude && ask_.onWalkedDevice && IsInIncludeTree(rules_, ask_.path);
  return DecideFile(track, inIncludeTree, embed_, inEmbedTree_);
}

FileDecisionT DecideFile(TrkResultE track, bool inIncludeTree, TrkResultE embed, bool inEmbedTree) {
  if (track == TrkInclude && !inIncludeTree) track = TrkExclude;
  if (embed == TrkInclude && !inEmbedTree) embed = TrkExclude;
  FileDecisionT d;
  d.embed = embed == TrkInclude;
  d.tracked = d.embed || track == TrkInclude;
  return d;
}

}  // namespace trk
