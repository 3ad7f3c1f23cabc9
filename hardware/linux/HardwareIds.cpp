#include "hardware/linux/HardwareIds.h"

#include <cstdint>
#include <unordered_map>

#include "foundation/core/Text.h"
#include "foundation/log/LogManager.h"
#include "hardware/linux/LinuxMessages.h"

namespace hxlinux {
namespace {

// Where distributions install the files, in the order they are looked for.
constexpr const char* c_PciIdFiles[] = {"/usr/share/misc/pci.ids", "/usr/share/hwdata/pci.ids"};
constexpr const char* c_UsbIdFiles[] = {"/usr/share/misc/usb.ids", "/usr/share/hwdata/usb.ids"};
// Well above the size of either file as published today (pci.ids: 1.3 MB).
constexpr size_t c_MaxIdFile = 16u * 1024u * 1024u;
// The levels the files use: vendor or class, device or subclass, subsystem or interface.
constexpr size_t c_Levels = 3;
constexpr std::string_view c_Separator = "  ";

}  // namespace

std::vector<std::vector<std::string>> LookupIds(std::string_view text, const std::vector<IdPathT>& paths) {
  std::vector<std::vector<std::string>> names(paths.size());
  // The paths by their first id: a line of the top level switches to the few that start there.
  std::unordered_map<std::string_view, std::vector<size_t>> byTop;
  for (size_t i = 0; i < paths.size(); ++i) {
    names[i].resize(paths[i].size());
    if (!paths[i].empty() && paths[i].size() <= c_Levels) byTop[paths[i][0]].push_back(i);
  }
  const std::vector<size_t>* active = nullptr;
  std::string_view current[c_Levels];
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    size_t level = 0;
    while (level < line.size() && line[level] == '\t') ++level;
    line.remove_prefix(level);
    const size_t gap = line.find(c_Separator);
    if (line.empty() || line[0] == '#' || level >= c_Levels || gap == std::string_view::npos || gap == 0) continue;
    const std::string_view id = line.substr(0, gap);
    current[level] = id;
    if (level == 0) {
      const auto found = byTop.find(id);
      active = found == byTop.end() ? nullptr : &found->second;
    }
    if (active == nullptr) continue;
    for (const size_t i : *active) {
      const IdPathT& path = paths[i];
      if (level >= path.size() || !names[i][level].empty() || path[level] != id) continue;
      // An entry belongs to the nearest entry one level up: a subsystem to the device line
      // above it, not to every device of the vendor that has a subsystem of that id.
      bool above = true;
      for (size_t l = 1; l < level && above; ++l) above = path[l] == current[l];
      if (above && (level == 0 || !names[i][level - 1].empty())) names[i][level] = hx::Trim(line.substr(gap));
    }
  }
  return names;
}

std::vector<std::vector<std::string>> LookupMachineIds(const MachineTreeC& tree, IdBusE bus,
                                                       const std::vector<IdPathT>& paths) {
  std::string text;
  const bool pci = bus == IdBusE::Pci;
  bool found = false;
  for (const char* file : pci ? c_PciIdFiles : c_UsbIdFiles)
    if (!found) found = tree.Read(file, text, c_MaxIdFile);
  static bool s_told[2] = {false, false};
  if (!found && !paths.empty() && !s_told[pci]) {
    s_told[pci] = true;
    const char* const* files = pci ? c_PciIdFiles : c_UsbIdFiles;
    hx::Log(trk::c_LetterGeneral, trk::c_NumberGeneral, LOG_NO_ID_FILE, TXT_NO_ID_FILE, pci ? "PCI" : "USB",
            std::string(files[0]) + ", " + files[1]);
  }
  std::vector<std::vector<std::string>> names = LookupIds(text, paths);
  for (std::vector<std::string>& found : names)
    for (std::string& name : found) name = hx::ToValidUtf8(name);
  return names;
}

std::string IdText(std::string_view kernelValue, size_t digits) {
  std::string_view value = hx::TrimView(kernelValue);
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) value.remove_prefix(2);
  if (value.empty() || value.size() > digits ||
      value.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
    return std::string();
  return std::string(digits - value.size(), '0') + hx::ToLower(value);
}

}  // namespace hxlinux
