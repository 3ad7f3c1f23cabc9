#include "prefs/defaults/SearchPath.h"

#include <cstdlib>

#include "foundation/core/Result.h"
#include "prefs/registry/EnvUnix.h"

namespace {
constexpr const char* c_Path = "PATH";
constexpr char c_PathSeparator = ':';
constexpr const char* c_BinSubdirectory = "/bin";
}  // namespace

int EnvUnixPathC::AddPath(const StringC& dir) {
  const char* old = std::getenv(c_Path);
  const StringC current = old != nullptr ? old : "";
  for (const StringC& element : hx::Split(current, c_PathSeparator, true)) {
    if (element == dir) return 0;
  }
  const StringC updated = dir + c_PathSeparator + current;
  if (::setenv(c_Path, updated.c_str(), 1) != 0) return hx::RcFromErrno(errno);
  return 0;
}

int EnvUnixPathC::SetupPath() { return AddPath(EnvUnixC::GetInstallDir() + c_BinSubdirectory); }
