#include "prefs/wildcard/WildCardDirectoryListing.h"

#include <algorithm>

#include "foundation/files/FileService.h"
#include "foundation/log/LogManager.h"
#include "prefs/wildcard/WildCardMessages.h"

namespace {
constexpr long c_Continue = 0;
constexpr long c_DoNotEnter = 1;
constexpr uint32_t c_WalkFlags = hx::LIST_RECURSE | hx::LIST_FOLLOW_LINKS;
}  // namespace

std::string WildCardDirectoryListingC::Normalise(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

long WildCardDirectoryListingC::addFile(FileNameC* /*name*/) { return c_Continue; }

long WildCardDirectoryListingC::warning(const FileNameC* /*name*/, long /*code*/) { return c_Continue; }

long WildCardDirectoryListingC::addDir(FileNameC* name) {
  const size_t depth = name->components().size();
  if (depth == 0 || depth > prefixes_.size()) return c_Continue;
  if (!hx::WildcardMatch(prefixes_[depth - 1], Normalise(name->str()))) return c_DoNotEnter;
  if (depth < prefixes_.size()) return c_Continue;
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::LOG_WILDCARD_FOUND, trk::TXT_LOG_WILDCARD_FOUND,
          name->text(), pattern_.text());
  matched_.push_back(*name);
  return c_DoNotEnter;
}

hx::ResultT WildCardDirectoryListingC::listAll(const StringC& pattern) { return listAll(FileNameC(pattern)); }

hx::ResultT WildCardDirectoryListingC::listAll(const FileNameC& pattern) {
  pattern_ = pattern;
  prefixes_.clear();
  matched_.clear();
  if (!hx::HasWildcard(pattern.str())) {
    matched_.push_back(pattern);
    return hx::RC_OK;
  }
  hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::LOG_WILDCARD_SEARCH, trk::TXT_LOG_WILDCARD_SEARCH,
          pattern.text());
  if (!pattern.isAbsolute()) {
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, trk::LOG_WILDCARD_RELATIVE, trk::TXT_LOG_WILDCARD_RELATIVE,
            pattern.text());
    return hx::RC_OK;
  }
  std::string prefix;
  for (const std::string& component : FileNameC(Normalise(pattern.str())).components()) {
    prefix += "/" + component;
    prefixes_.push_back(prefix);
  }
  // This listing never ends a walk: a directory it cannot read just matches nothing.
  for (const FileNameC& root : FileService()->listRoots()) HX_IGNORE_RESULT(FileService()->walk(root, *this, c_WalkFlags));
  return hx::RC_OK;
}
