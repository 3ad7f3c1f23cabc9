#include "packages/model/PackageVersion.h"

#include <algorithm>

namespace {

constexpr std::string_view c_Blanks = " \t\n\r";
constexpr std::string_view c_Separators = " \t\n\r:,.-";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c_Separators.find(c) != std::string_view::npos; }

std::string_view TrimBlanks(std::string_view s) {
  const size_t start = s.find_first_not_of(c_Blanks);
  if (start == std::string_view::npos) return std::string_view();
  return s.substr(start, s.find_last_not_of(c_Blanks) - start + 1);
}

// The leading run of s whose characters satisfy `in`; s keeps the rest.
template <typename PredicateF>
std::string_view TakeRun(std::string_view& s, PredicateF in) {
  size_t n = 0;
  while (n < s.size() && in(s[n])) ++n;
  const std::string_view run = s.substr(0, n);
  s.remove_prefix(n);
  return run;
}

int Sign(int v) { return (v > 0) - (v < 0); }

// Digit runs by value: leading zeros ignored, more significant digits is larger.
int CompareNumbers(std::string_view a, std::string_view b) {
  a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
  b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return Sign(a.compare(b));
}

int FirstChar(std::string_view s) { return s.empty() ? 0 : static_cast<unsigned char>(s[0]); }

}  // namespace

void PackageVersionC::parse(std::string_view text, VersionTypeT kind) {
  kind_ = kind;
  epoch_.clear();
  release_.clear();
  std::string_view rest = TrimBlanks(text);
  if (kind != c_EpochVersionRelease) {
    version_ = StringC(rest);
    return;
  }
  size_t digits = 0;
  while (digits < rest.size() && IsDigit(rest[digits])) ++digits;
  if (digits > 0 && digits < rest.size() && rest[digits] == ':') {
    epoch_ = StringC(rest.substr(0, digits));
    rest.remove_prefix(digits + 1);
  }
  const size_t dash = rest.rfind('-');
  if (dash != std::string_view::npos && dash > 0) {
    version_ = StringC(rest.substr(0, dash));
    release_ = StringC(rest.substr(dash + 1));
  } else {
    version_ = StringC(rest);
  }
}

StringC PackageVersionC::asString(bool full) const {
  StringC text;
  if (full && !epoch_.empty()) text = epoch_ + ":";
  text += version_;
  if (!release_.empty()) text += "-" + release_;
  return text;
}

int PackageVersionC::compare(const PackageVersionC& other) const {
  if (kind_ != c_EpochVersionRelease || other.kind_ != c_EpochVersionRelease) return compare(version_, other.version_);
  int r = compare(epoch_, other.epoch_);
  if (r == 0) r = compare(version_, other.version_);
  if (r == 0) r = compare(release_, other.release_);
  return r;
}

int PackageVersionC::compare(std::string_view a, std::string_view b) {
  for (;;) {
    TakeRun(a, IsSeparator);
    TakeRun(b, IsSeparator);
    if (a.empty() || b.empty()) return Sign(FirstChar(a) - FirstChar(b));
    int r;
    if (IsDigit(a[0]) || IsDigit(b[0])) {
      if (!IsDigit(a[0]) || !IsDigit(b[0])) return Sign(FirstChar(a) - FirstChar(b));
      r = CompareNumbers(TakeRun(a, IsDigit), TakeRun(b, IsDigit));
    } else {
      auto word = [](char c) { return !IsDigit(c) && !IsSeparator(c); };
      r = Sign(TakeRun(a, word).compare(TakeRun(b, word)));
    }
    if (r != 0) return r;
  }
}
