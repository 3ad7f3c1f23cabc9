#include "hardware/unix/IfconfigParser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "foundation/core/Nodiscard.h"

namespace hx {
namespace {

constexpr std::string_view c_LoopbackFlag = "LOOPBACK";
constexpr std::string_view c_KeyInet = "inet";
constexpr std::string_view c_KeyInet6 = "inet6";
constexpr std::string_view c_KeyNetmask = "netmask";
constexpr std::string_view c_KeyMask = "Mask";  // older Linux layout: "Mask:255.255.255.0"
constexpr std::string_view c_KeyEther = "ether";
constexpr std::string_view c_KeyHWaddr = "HWaddr";  // older Linux layout
constexpr std::string_view c_AddrLabel = "addr:";   // older Linux layout: "inet addr:10.0.0.5"

bool IsIndent(char c) { return c == '\t' || c == ' '; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where the adapter name of a line ends (at its first ":" or at a blank before it); npos for a
// line without ":", which names no adapter.
size_t NameEnd(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::string_view::npos;
  const size_t blank = line.find_first_of(" \t");
  return blank < colon ? blank : colon;
}

// A word "Label:value" whose label is made of letters (Bcast:10.0.0.255, Mask:255.0.0.0,
// Scope:Link). Only words in key position are looked at this way: addresses, which may begin
// with letters before a colon (fd00::1), come in value position.
HX_NODISCARD bool SplitLabel(std::string_view word, std::string_view& label, std::string_view& value) {
  const size_t colon = word.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon + 1 >= word.size()) return false;
  for (size_t i = 0; i < colon; ++i) {
    if (!IsAsciiLetter(word[i])) return false;
  }
  label = word.substr(0, colon);
  value = word.substr(colon + 1);
  return true;
}

void Apply(AdapterSettingsC& s, std::string_view key, std::string_view value) {
  if (key == c_KeyInet) {
    s.ipAddress = StringC(value);
    s.ipEnabled = true;
  } else if (key == c_KeyInet6) {
    s.ipv6Address = StringC(value);
    s.ipEnabled = true;
  } else if (key == c_KeyNetmask || key == c_KeyMask) {
    s.ipSubnet = NetmaskToDotted(StringC(value));
  } else if (key == c_KeyEther || key == c_KeyHWaddr) {
    s.macAddress = PadMacAddress(StringC(value));
  }
}

void ReadLine(AdapterSettingsC& s, const StringC& line) {
  const StringArrayC words = SplitBlanks(line);
  size_t i = 0;
  while (i < words.size()) {
    const std::string_view word = words[i];
    std::string_view label, labelled;
    if (EndsWith(word, ">")) {
      ++i;
    } else if (SplitLabel(word, label, labelled)) {
      Apply(s, label, labelled);
      ++i;
    } else if (i + 1 >= words.size()) {
      ++i;  // a key without a value
    } else {
      std::string_view value = words[i + 1];
      i += 2;
      if (value == c_AddrLabel) {
        if (i >= words.size()) break;
        value = words[i++];
      } else if (StartsWith(value, c_AddrLabel)) {
        value.remove_prefix(c_AddrLabel.size());
      }
      Apply(s, word, value);
    }
  }
}

}  // namespace

std::vector<IfconfigBlockC> SplitIfconfigBlocks(const StringArrayC& lines) {
  std::vector<IfconfigBlockC> blocks;
  bool open = false;  // whether blocks.back() takes continuation lines
  for (const StringC& line : lines) {
    if (!line.empty() && IsIndent(line[0])) {
      const std::string_view text = TrimView(line);
      if (open && !text.empty()) blocks.back().lines.emplace_back(text);
      continue;
    }
    open = false;
    const size_t end = NameEnd(line);
    if (end == 0 || end == std::string_view::npos) continue;
    IfconfigBlockC block;
    block.name = line.substr(0, end);
    // The separator itself (":" or the blank) is not part of the first attribute line.
    block.lines.emplace_back(Trim(std::string_view(line).substr(end + 1)));
    blocks.push_back(std::move(block));
    open = true;
  }
  return blocks;
}

AdapterSettingsC ReadAdapterSettings(const StringArrayC& lines) {
  AdapterSettingsC settings;
  for (const StringC& line : lines) {
    if (line.find(c_LoopbackFlag) != StringC::npos) {
      settings.loopback = true;
      return settings;
    }
  }
  for (const StringC& line : lines) ReadLine(settings, line);
  return settings;
}

StringC NetmaskToDotted(const StringC& netmask) {
  if (netmask.find('.') != StringC::npos) return netmask;
  // strtoull stops at the first character that is no digit and saturates on overflow; the
  // mask is the low 32 bits of what it read.
  const auto bits = static_cast<uint32_t>(std::strtoull(netmask.c_str(), nullptr, 16));
  StringC dotted;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (!dotted.empty()) dotted += '.';
    dotted += std::to_string((bits >> shift) & 0xFFu);
  }
  return dotted;
}

StringC PadMacAddress(const StringC& mac) {
  StringArrayC groups = Split(mac, ':');
  for (StringC& group : groups) {
    if (group.size() == 1) group.insert(group.begin(), '0');
  }
  return Join(groups, ":");
}

}  // namespace hx
