#include "packages/model/DebianVersion.h"

#include <string>

namespace pkg {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where a character sorts within a run of non-digits; the end of the text is 0.
int Order(char c) {
  if (IsDigit(c)) return 0;
  if (IsAlpha(c)) return c;
  if (c == '~') return -1;
  return c != '\0' ? static_cast<unsigned char>(c) + 256 : 0;
}

int CompareRuns(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  auto at = [](std::string_view s, size_t k) { return k < s.size() ? s[k] : '\0'; };
  while (i < a.size() || j < b.size()) {
    while ((i < a.size() && !IsDigit(a[i])) || (j < b.size() && !IsDigit(b[j]))) {
      const int ac = Order(at(a, i)), bc = Order(at(b, j));
      if (ac != bc) return ac - bc;
      ++i;
      ++j;
    }
    while (at(a, i) == '0') ++i;
    while (at(b, j) == '0') ++j;
    int firstDiff = 0;
    while (IsDigit(at(a, i)) && IsDigit(at(b, j))) {
      if (firstDiff == 0) firstDiff = at(a, i) - at(b, j);
      ++i;
      ++j;
    }
    if (IsDigit(at(a, i))) return 1;
    if (IsDigit(at(b, j))) return -1;
    if (firstDiff != 0) return firstDiff;
  }
  return 0;
}

struct PartsT {
  unsigned long long epoch = 0;
  std::string_view upstream, revision;
};

PartsT Split(std::string_view v) {
  PartsT p;
  const size_t colon = v.find(':');
  if (colon != std::string_view::npos) {
    for (char c : v.substr(0, colon)) p.epoch = IsDigit(c) ? p.epoch * 10 + static_cast<unsigned>(c - '0') : p.epoch;
    v.remove_prefix(colon + 1);
  }
  const size_t dash = v.rfind('-');
  p.upstream = dash == std::string_view::npos ? v : v.substr(0, dash);
  p.revision = dash == std::string_view::npos ? std::string_view() : v.substr(dash + 1);
  return p;
}

}  // namespace

int CompareDebianVersions(std::string_view a, std::string_view b) {
  const PartsT x = Split(a), y = Split(b);
  if (x.epoch != y.epoch) return x.epoch < y.epoch ? -1 : 1;
  const int upstream = CompareRuns(x.upstream, y.upstream);
  return upstream != 0 ? upstream : CompareRuns(x.revision, y.revision);
}

}  // namespace pkg
