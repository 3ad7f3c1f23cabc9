#pragma once
// Readers of what the Debian package tools keep and print, as pure functions over text: one
// line of the package list that dpkg-query prints in the format this program asks for, one
// line of a package's file list (/var/lib/dpkg/info/<package>.list), and the /usr twin of a
// path on a system whose /bin, /sbin and /lib are links into /usr.

#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"

namespace trk::deb {

// What dpkg-query is asked to print: one package a line, its fields apart by tabs (no field of
// the status database holds a tab). binary:Package carries the ":arch" qualifier exactly when
// dpkg's own file names for the package carry it.
constexpr const char* c_QueryFormat =
    "${db:Status-Abbrev}\t${binary:Package}\t${Architecture}\t${Version}\t${Maintainer}\t${binary:Summary}\n";

struct DebPackageT {
  std::string name;           // without the ":arch" qualifier
  std::string qualifiedName;  // as dpkg names its files: "libc6:amd64" or "bash"
  std::string architecture;
  std::string version;
  std::string maintainer;
  std::string summary;
  bool installed = false;  // the status letter (the second of the abbreviation) is "i"
};

// One line of the package list. False for a line that is not one (fewer fields, no name).
HX_NODISCARD bool ParseQueryLine(std::string_view line, DebPackageT* package);

// The path of one line of a file list: a line that begins with "/" (dpkg's "/." for the root
// itself is no path a file can have); false for anything else.
HX_NODISCARD bool ListLinePath(std::string_view line, std::string_view* path);

// The top-level directories that a merged-/usr system makes links into /usr.
const std::vector<std::string>& MergeableDirectories();
// Whether a link's target, as readlink gives it, makes /<dir> the link into /usr/<dir>.
bool IsUsrLinkTarget(std::string_view dir, std::string_view target);
// The /usr twin of a path under one of the merged directories (each given without slashes);
// empty when the path lies under none of them.
std::string UsrTwin(std::string_view path, const std::vector<std::string>& mergedDirs);

}  // namespace trk::deb
