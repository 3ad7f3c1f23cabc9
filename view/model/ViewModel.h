#pragma once
// What hxview keeps of an inventory or a delta while it streams the document: only what the
// summary shows (root attributes, hardware instances by class, package counts by type, tracked
// files), never the whole tree, so that a large inventory costs little more than reading it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace hxview {

using AttributesT = std::vector<std::pair<std::string, std::string>>;

// What a summary shows of one document is bounded, so that a crafted document cannot make its
// summary cost far more than reading it; what is left out is counted and said. A machine has a
// few dozen hardware classes with tens of properties each; its tracked files (hundreds of
// thousands) are all shown.
// Hardware classes shown: past these, a class's instances are only counted.
constexpr size_t c_MaxClasses = 1000;
// Properties of one class shown, the columns of its table: past these, values are only counted.
constexpr size_t c_MaxColumns = 64;
// Paths of one tracked file (Instance elements of one Content; the program writes one): each is
// a row that repeats the file's values, so past these, paths are only counted.
constexpr size_t c_MaxFilePaths = 16;
constexpr size_t c_ClassLeftOut = static_cast<size_t>(-1);

// One Hardware element: its name, evidence and properties in document order, each property
// as its column in the class and its value.
struct HardwareInstanceT {
  std::string name, evidence;
  std::vector<std::pair<size_t, std::string>> properties;
};

// The instances of one hardware class, in document order, and the class's property names in
// order of first appearance: the columns of its table. Values of further properties, past
// c_MaxColumns, are counted and left out.
struct HardwareClassT {
  std::string className;
  std::vector<HardwareInstanceT> instances;
  std::vector<std::string> columns;
  std::unordered_map<std::string, size_t> columnOf;
  size_t valuesLeftOut = 0;
};

// One package as its lister wrote it; an attribute the document does not hold stays empty.
struct PackageT {
  std::string name, version, type, installDate;
};

// A top-level entity as the delta matches it: its tag and attributes (`key`), and its children
// in document order, each as a label and a value: a Property as its name and value, any other
// child (a file's Instance) as its tag and first attribute, and its other attributes.
struct EntityT {
  std::string key;
  std::string kind;   // a hardware instance's class, else the tag: what an ignored CLASS.PROPERTY names
  std::string label;  // what the summary calls it: "TVK_OperatingSystem Linux", "Package zlib1g"
  std::vector<std::pair<std::string, std::string>> values;
};

// One changed property of an updated entity, its values before (in the base) and after; a
// property absent on one side has "" there.
struct ChangeT {
  std::string property, before, after;
};

// An updated entity of a delta set against the base, with what changed beyond the ignored
// properties.
struct ChangedEntityT {
  std::string kind, label;
  std::vector<ChangeT> changes;
};

// One tracked file: a Content element with one of its Instance children.
struct TrackedFileT {
  std::string path, dateTime, md5, product;
  uint64_t size = 0;
};

// The entities of an inventory, or of one part of a delta (added, removed, updated).
struct SectionT {
  std::vector<HardwareClassT> hardware;   // classes in order of first appearance, c_MaxClasses at most
  std::unordered_map<std::string, size_t> classOf;  // class name: its place in hardware, or c_ClassLeftOut
  std::map<std::string, size_t> packages;  // package count by type
  std::vector<PackageT> packageList;       // every package, in document order
  // The entities with their children: kept for the updated part of a delta (and for the base),
  // whose changes are worked out against the base.
  std::vector<EntityT> entities;
  std::vector<TrackedFileT> files;
  std::map<std::string, size_t> others;  // any other top-level element, counted by tag
  size_t hardwareCount = 0;
  size_t packageCount = 0;
  size_t entityCount = 0;  // every top-level entity
  size_t classesLeftOut = 0, instancesLeftOut = 0;  // of the classes past c_MaxClasses
  size_t pathsLeftOut = 0;                          // of files past c_MaxFilePaths

  bool Empty() const { return hardwareCount == 0 && packageCount == 0 && files.empty() && others.empty(); }
};

struct ViewDocT {
  AttributesT root;  // the root element's attributes in document order
  bool delta = false;
  SectionT full;                     // a full inventory
  SectionT added, removed, updated;  // a delta
  // Set once the base of a delta was read: the updated entities whose changes are not all
  // ignored, each with those changes.
  bool baseRead = false;
  std::vector<ChangedEntityT> changes;

  // The value of a root attribute ("" when absent).
  std::string Root(const std::string& name) const {
    for (const auto& a : root)
      if (a.first == name) return a.second;
    return std::string();
  }
};

}  // namespace hxview
