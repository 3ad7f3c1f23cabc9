#pragma once
// Shows the elements the package trackers made, one line each.

#include "inventory/TrkInventoryEntity.h"
#include "support/TestSupport.h"

namespace pkgtest {

// Every "Package" or "Hardware" child of root as "Tag|attr=value|...|Name=Value;...", attributes
// in name order, then the properties in document order.
inline std::vector<std::string> ShowElements(TrkInventoryEntityC* root, const std::string& tag) {
  std::vector<std::string> lines;
  for (TrkInventoryEntityC* e = root->GetFirstChild(); e != nullptr; e = e->GetNext()) {
    if (e->getTag() != tag) continue;
    std::string line = tag;
    for (const char* a : {"Class", "Name", "Evidence", "Version", "InstallDate"}) {
      const std::string& v = e->GetAttribute(a);
      if (!v.empty()) line += std::string("|") + a + "=" + v;
    }
    line += "|";
    for (TrkInventoryEntityC* p = e->GetFirstChild(); p != nullptr; p = p->GetNext())
      line += p->GetAttribute("Name") + "=" + p->GetAttribute("Value") + ";";
    lines.push_back(line);
  }
  return lines;
}

}  // namespace pkgtest
