#pragma once
// The system root. When TARVOSKSYSROOT is set and not empty it names a directory that stands
// for "/" wherever hxtrack reads a fact of the machine through a fixed path (the mount table,
// the machine snapshot, the package contents file, programs run by absolute path or found on
// the PATH). This is what lets a fixture machine on disk be inventoried as if it were the
// host. Paths that come from preferences or the configuration are never mapped.
//
// Only the file service, the mount-table reader and the command runner call MapSystemPath.

#include <string>
#include <string_view>

namespace hx {

// The root directory, without trailing slashes; "" when no root is set.
std::string SystemRoot();

// Maps a fixed absolute path of the machine under the system root ("/etc/mnttab" becomes
// "<root>/etc/mnttab"). Relative paths and everything when no root is set come back as they are.
std::string MapSystemPath(std::string_view path);

}  // namespace hx
