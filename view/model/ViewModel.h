#pragma once
// What hxview keeps of an inventory or a delta while it streams the document: only what the
// summary shows (root attributes, hardware instances by class, package counts by type, tracked
// files), never the whole tree, so that a large inventory costs little more than reading it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hxview {

using AttributesT = std::vector<std::pair<std::string, std::string>>;

// One Hardware element: its name, evidence and properties in document order.
struct HardwareInstanceT {
  std::string name, evidence;
  AttributesT properties;
};

// The instances of one hardware class, in document order.
struct HardwareClassT {
  std::string className;
  std::vector<HardwareInstanceT> instances;
};

// One tracked file: a Content element with one of its Instance children.
struct TrackedFileT {
  std::string path, dateTime, md5, product;
  uint64_t size = 0;
};

// The entities of an inventory, or of one part of a delta (added, removed, updated).
struct SectionT {
  std::vector<HardwareClassT> hardware;   // classes in order of first appearance
  std::map<std::string, size_t> packages;  // package count by type
  std::vector<TrackedFileT> files;
  std::map<std::string, size_t> others;  // any other top-level element, counted by tag
  size_t hardwareCount = 0;
  size_t packageCount = 0;

  bool Empty() const { return hardwareCount == 0 && packageCount == 0 && files.empty() && others.empty(); }
};

struct ViewDocT {
  AttributesT root;  // the root element's attributes in document order
  bool delta = false;
  SectionT full;                     // a full inventory
  SectionT added, removed, updated;  // a delta

  // The value of a root attribute ("" when absent).
  std::string Root(const std::string& name) const {
    for (const auto& a : root)
      if (a.first == name) return a.second;
    return std::string();
  }
};

}  // namespace hxview
