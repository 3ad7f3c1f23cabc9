#include "foundation/files/SysRoot.h"

#include <cstdlib>

namespace hx {

std::string SystemRoot() {
  // Read at every call: the variable belongs to the process environment, which tests and the
  // hardware step may change while the program runs.
  const char* root = std::getenv("TARVOSKSYSROOT");
  if (root == nullptr || *root == '\0') return "";
  std::string r(root);
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r == "/" ? "" : r;
}

std::string MapSystemPath(std::string_view path) {
  if (path.empty() || path[0] != '/') return std::string(path);
  const std::string root = SystemRoot();
  if (root.empty()) return std::string(path);
  return root + std::string(path);
}

}  // namespace hx
