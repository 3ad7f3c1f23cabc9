#include "app/interaction/FilePathTruncator.h"

std::string FilePathTruncatorC::Truncate(const std::string& path) const {
  size_t levels = 0;
  size_t at = 0;
  while (at < path.size()) {
    while (at < path.size() && path[at] == '/') ++at;  // "//" and a trailing "/" add no level
    if (at == path.size()) break;
    const size_t end = path.find('/', at);
    if (++levels > depth_) return path.substr(0, at - 1) + c_Continued;
    if (end == std::string::npos) break;
    at = end;
  }
  return path;
}
