#include "packages/listers/deb/DebReaders.h"

#include "foundation/core/Text.h"

namespace trk::deb {

namespace {

constexpr char c_FieldSeparator = '\t';
constexpr size_t c_StatusField = 0;
constexpr size_t c_NameField = 1;
constexpr size_t c_ArchField = 2;
constexpr size_t c_VersionField = 3;
constexpr size_t c_MaintainerField = 4;
constexpr size_t c_SummaryField = 5;
constexpr size_t c_RequiredFields = c_VersionField + 1;
// The status letter: the second of "ii ", "hi ", "rc ".
constexpr size_t c_StatusLetter = 1;
constexpr char c_Installed = 'i';
constexpr std::string_view c_RootEntry = "/.";
constexpr std::string_view c_Usr = "/usr";

}  // namespace

bool ParseQueryLine(std::string_view line, DebPackageT* package) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string> fields = hx::Split(line, c_FieldSeparator);
  if (fields.size() < c_RequiredFields) return false;
  *package = DebPackageT();
  package->qualifiedName = hx::Trim(fields[c_NameField]);
  const size_t colon = package->qualifiedName.find(':');
  package->name = package->qualifiedName.substr(0, colon);
  if (package->name.empty()) return false;
  const std::string status = hx::Trim(fields[c_StatusField]);
  package->installed = status.size() > c_StatusLetter && status[c_StatusLetter] == c_Installed;
  package->architecture = hx::Trim(fields[c_ArchField]);
  package->version = hx::Trim(fields[c_VersionField]);
  if (fields.size() > c_MaintainerField) package->maintainer = hx::Trim(fields[c_MaintainerField]);
  if (fields.size() > c_SummaryField) package->summary = hx::Trim(fields[c_SummaryField]);
  return true;
}

bool ListLinePath(std::string_view line, std::string_view* path) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || line[0] != '/' || line == c_RootEntry) return false;
  *path = line;
  return true;
}

const std::vector<std::string>& MergeableDirectories() {
  static const std::vector<std::string> s_dirs{"bin", "sbin", "lib", "lib32", "lib64", "libx32"};
  return s_dirs;
}

bool IsUsrLinkTarget(std::string_view dir, std::string_view target) {
  while (target.size() > 1 && target.back() == '/') target.remove_suffix(1);
  if (hx::StartsWith(target, "/")) target.remove_prefix(1);
  return target == "usr/" + std::string(dir);
}

std::string UsrTwin(std::string_view path, const std::vector<std::string>& mergedDirs) {
  for (const std::string& dir : mergedDirs) {
    if (path.size() <= dir.size() + 1 || path[0] != '/' || path.compare(1, dir.size(), dir) != 0 ||
        path[dir.size() + 1] != '/')
      continue;
    return std::string(c_Usr) + std::string(path);
  }
  return std::string();
}

}  // namespace trk::deb
