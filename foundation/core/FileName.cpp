#include "foundation/core/FileName.h"

#include "foundation/core/Text.h"

std::string FileNameC::text() const { return hx::ToValidUtf8(path_); }

namespace {
// Length of the path without trailing slashes, keeping a lone root "/".
size_t TrimmedLength(const std::string& p) {
  size_t n = p.size();
  while (n > 1 && p[n - 1] == '/') --n;
  return n;
}
}  // namespace

std::string FileNameC::directory() const {
  const size_t n = TrimmedLength(path_);
  const std::string_view p(path_.data(), n);
  const size_t slash = p.rfind('/');
  if (slash == std::string_view::npos) return "";
  if (slash == 0) return n > 1 ? "/" : "";
  size_t end = slash;
  while (end > 1 && p[end - 1] == '/') --end;
  return std::string(p.substr(0, end));
}

std::string FileNameC::baseName() const {
  const size_t n = TrimmedLength(path_);
  const std::string_view p(path_.data(), n);
  if (p == "/") return "";
  const size_t slash = p.rfind('/');
  return std::string(slash == std::string_view::npos ? p : p.substr(slash + 1));
}

std::string FileNameC::extension() const {
  const std::string base = baseName();
  const size_t dot = base.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  return base.substr(dot + 1);
}

FileNameC FileNameC::append(std::string_view name) const {
  if (path_.empty()) return FileNameC(std::string(name));
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  std::string p;
  p.reserve(path_.size() + 1 + name.size());  // a walk appends once per entry: one allocation
  p.append(path_);
  if (p.back() != '/') p.push_back('/');
  p.append(name);
  return FileNameC(std::move(p));
}

std::vector<std::string> FileNameC::components() const { return hx::Split(path_, '/', true); }

namespace hx {

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  // Iterative matcher with one backtrack point for the last "*": linear in practice and
  // never exponential.
  size_t p = 0, t = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(text[t]))) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace hx
