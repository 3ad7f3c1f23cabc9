#include "foundation/core/SecureURL.h"

namespace {

constexpr std::string_view kSchemeEnd = "://";
constexpr std::string_view kLineEnd = "\r\n";
// What a host (a name, an address, "[v6]") and its port are written with.
constexpr std::string_view kHostPunctuation = "-._~%:[]";

// Whether what follows an "@" at `from` up to the next "/" (or the end) can be a host. It stops
// at the first character that cannot, so trying every "@" of a text stays linear in its length.
bool IsHostAt(std::string_view text, size_t from) {
  size_t at = from;
  for (; at < text.size() && text[at] != '/'; ++at) {
    const char c = text[at];
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum && kHostPunctuation.find(c) == std::string_view::npos) return false;
  }
  return at > from;
}

}  // namespace

size_t log_UserInfoEnd(std::string_view rest) {
  rest = rest.substr(0, rest.find(kSchemeEnd));
  rest = rest.substr(0, rest.find_first_of(kLineEnd));
  const size_t slash = rest.find('/');
  const bool password = rest.find(':') < slash;
  for (size_t at = rest.rfind('@'); at != std::string_view::npos;
       at = at == 0 ? std::string_view::npos : rest.rfind('@', at - 1)) {
    if (at > slash && !password) continue;  // an "@" in the path
    if (IsHostAt(rest, at + 1)) return at;
  }
  return std::string_view::npos;
}

std::string log_SecureURLString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  for (size_t mark = text.find(kSchemeEnd); mark != std::string_view::npos; mark = text.find(kSchemeEnd, i)) {
    const size_t start = mark + kSchemeEnd.size();
    out.append(text.substr(i, start - i));
    i = start;
    const size_t at = log_UserInfoEnd(text.substr(start));
    if (at == std::string_view::npos) continue;
    const size_t colon = text.substr(start, at).find(':');
    if (colon == std::string_view::npos) continue;
    out.append(text.substr(start, colon));  // the user name; the password goes
    i = start + at;
  }
  out.append(text.substr(i));
  return out;
}
