#include "foundation/log/SecureURL.h"

namespace {
constexpr std::string_view kSchemeEnd = "://";
}

std::string log_RmPasswd(std::string_view part) {
  if (part.substr(0, kSchemeEnd.size()) != kSchemeEnd) return std::string(part);
  const size_t colon = part.find(':', kSchemeEnd.size());
  if (colon == std::string_view::npos) return std::string(part);
  const size_t at = part.find('@', colon + 1);
  // No character after the "@" means no host either.
  if (at == std::string_view::npos || at + 1 >= part.size()) return std::string(part);
  const char host = part[at + 1];
  if (host == ' ' || host == '/') return std::string(part);
  std::string out(part.substr(0, colon));
  out.append(part.substr(at));
  return out;
}

std::string log_SecureURLString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = text.find(kSchemeEnd, i);
    if (start == std::string_view::npos) break;
    out.append(text.substr(i, start - i));
    // The part runs to the next "/" after the scheme, which is kept with it so that a "/"
    // right after the "@" is seen.
    const size_t slash = text.find('/', start + kSchemeEnd.size());
    const size_t end = slash == std::string_view::npos ? text.size() : slash + 1;
    out += log_RmPasswd(text.substr(start, end - start));
    i = end;
  }
  if (i < text.size()) out.append(text.substr(i));
  return out;
}
