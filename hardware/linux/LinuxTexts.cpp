#include "hardware/linux/LinuxTexts.h"

#include <cstdint>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace hxlinux {
namespace {

constexpr int64_t c_KiB = 1024;

// Calls `each` with every line of `text` (views into it, without the line feed)
// until it answers true; answers whether it did.
template <typename F>
bool ForEachLine(std::string_view text, F each) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (each(text.substr(0, end))) return true;
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return false;
}

// The value of the first line that starts with `key` followed by `after`,
// trimmed.
HX_NODISCARD bool FindLineValue(std::string_view text, std::string_view key, char after, std::string_view* value) {
  return ForEachLine(text, [&](std::string_view line) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != after) return false;
    *value = hx::TrimView(line.substr(key.size() + 1));
    return true;
  });
}

// The leading decimal number of `text`; -1 when it has none or it does not fit.
int64_t LeadingNumber(std::string_view text) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  int64_t n = -1;
  return digits > 0 && hx::ParseInt64(text.substr(0, digits), n) ? n : -1;
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
    return std::string(value.substr(1, value.size() - 2));
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::string(value);
  std::string out;
  const std::string_view inner = value.substr(1, value.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '\\' && i + 1 < inner.size() &&
        std::string_view("\"\\$`").find(inner[i + 1]) != std::string_view::npos)
      ++i;
    out += inner[i];
  }
  return out;
}

}  // namespace

std::map<std::string, std::string> ParseOsRelease(std::string_view text) {
  std::map<std::string, std::string> values;
  ForEachLine(text, [&](std::string_view line) {
    line = hx::TrimView(line);
    const size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string_view::npos || equals == 0) return false;
    const std::string_view name = line.substr(0, equals);
    if (name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") == std::string_view::npos)
      values[std::string(name)] = Unquoted(line.substr(equals + 1));
    return false;
  });
  return values;
}

int64_t MeminfoBytes(std::string_view text, std::string_view key) {
  std::string_view value;
  if (!FindLineValue(text, key, ':', &value)) return -1;
  const int64_t kib = LeadingNumber(value);
  return kib < 0 || kib > INT64_MAX / c_KiB ? -1 : kib * c_KiB;
}

int64_t BootTime(std::string_view procStat) {
  std::string_view value;
  return FindLineValue(procStat, "btime", ' ', &value) ? LeadingNumber(value) : -1;
}

}  // namespace hxlinux
