#pragma once
// Builds the agent's own package files the way the agent lays them out (docs/package-cache.md):
// package descriptions in the stores of the package cache, the live-package index and the
// descriptions it points at; and shows the elements the package trackers made, one line each.

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "inventory/TrkInventoryEntity.h"
#include "support/TestSupport.h"

namespace pkgtest {

using AttrsT = std::map<std::string, std::string>;

inline std::string Element(const char* tag, const AttrsT& attrs, const char* inner = "") {
  std::string xml = std::string("<") + tag;
  for (const auto& [name, value] : attrs) xml += " " + name + "=\"" + value + "\"";
  return xml + (*inner != '\0' ? std::string(">") + inner + "</" + tag + ">" : std::string("/>"));
}

// <dir>/<rel>/package.xml describing one package.
inline void WriteDescription(const hxtest::TempDirC& dir, const std::string& rel, const AttrsT& attrs) {
  dir.Mkdir(rel);
  dir.Write(rel + "/package.xml", Element("package", attrs));
}

// The live index <dir>/<live>/index/machine/index.xml over the given package entries.
inline void WriteLiveIndex(const hxtest::TempDirC& dir, const std::string& live, const std::vector<AttrsT>& entries) {
  std::string inner;
  for (const AttrsT& e : entries) inner += Element("package", e);
  dir.Mkdir(live + "/index/machine");
  dir.Write(live + "/index/machine/index.xml", "\xEF\xBB\xBF<index>" + inner + "</index>");
}

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
