#include "foundation/trace/ProgramInfo.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace hx {

std::string ExecutablePath() {
#if defined(__sun)
  const char* name = getexecname();
  if (name == nullptr) return std::string();
  char resolved[PATH_MAX];
  return realpath(name, resolved) != nullptr ? std::string(resolved) : std::string(name);
#else
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  return std::string(buf, static_cast<size_t>(n));
#endif
}

}  // namespace hx
