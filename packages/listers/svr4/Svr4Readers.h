#pragma once
// Readers of what the SVR4 packaging tools and files say, as pure functions over text: the
// installed-software contents file, the output of "pkgchk -l" and of "pkginfo -l", and the
// version and install-date texts of a package.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace trk::svr4 {

// Package instance name to the paths it owns, in the order they were met.
using FileMapT = std::unordered_map<std::string, StringArrayC>;

// One line of /var/sadm/install/contents: fields split at blanks; the path is field 0 (a link's
// "=target" dropped); regular, editable and volatile files ("f", "e", "v") name their packages
// from field 9 on, links ("s", "l") from field 3 on; other types (directories, devices) own
// nothing here. A package field loses its ":class" or status suffix.
void AddContentsLine(std::string_view line, FileMapT* files);

// The whole-system listing of "pkgchk -l", read line by line: "Pathname:" starts a path,
// "Type:" keeps it (or drops it for directories and devices), and the names below
// "Referenced by the following packages:" each get it.
class PkgchkListReaderC {
 public:
  explicit PkgchkListReaderC(FileMapT* files) : files_(files) {}
  void Line(std::string_view line);

 private:
  FileMapT* files_;
  std::string path_;
  bool names_ = false;  // package names follow
};

// A "key: value" line of "pkginfo -l" (the ":" after the first character), both trimmed.
// False for any other line.
HX_NODISCARD bool SplitPkginfoLine(std::string_view line, std::string_view* key, std::string_view* value);
// Whether a pkginfo line is something the format has: empty, "key: value", or a continuation
// indented with blanks (the FILES counts).
bool IsPkginfoLine(std::string_view line);

// A VERSION value without its ",REV=..." suffix (any case), trimmed.
std::string ConvertVersion(std::string_view text);
// An INSTDATE value ("Jan 05 2012 14:22", month names of the C locale whatever the run's
// LC_TIME) as seconds since the epoch, read as local time with the system's daylight-saving
// rules. False when it cannot be read.
HX_NODISCARD bool ParseInstallDate(std::string_view text, int64_t* seconds);

}  // namespace trk::svr4
