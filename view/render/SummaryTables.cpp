#include "view/render/SummaryTables.h"

#include <fnmatch.h>

#include <cstdio>

#include "foundation/core/Text.h"

namespace hxview {

namespace {

constexpr const char* c_ValueSeparator = "; ";
// The element's own attributes, kept apart from properties of the same name.
constexpr const char* c_NameColumn = "(Name)";
constexpr const char* c_EvidenceColumn = "(Evidence)";

// A table of many cells, most of them empty (instances each with properties of their own), is
// shown one value to a row: as columns its empty cells would cost far more than its values.
constexpr size_t c_MinSparseCells = 4096;
constexpr size_t c_CellsPerValue = 4;

constexpr uint64_t c_Kibi = 1024;
constexpr const char* c_BinaryUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
constexpr const char* c_PatternChars = "*?[";
constexpr const char* c_Arrow = " \u2192 ";
constexpr const char* c_Absent = "(none)";

enum class UnitE { Bytes, Kibibytes };

// The properties that hold a size, and in which unit the providers write it: the operating
// system's memory figures are kilobytes on Linux and Solaris alike, every other size is bytes.
struct SizePropertyT {
  const char* className;
  const char* property;
  UnitE unit;
};
constexpr SizePropertyT c_SizeProperties[] = {
    {"TVK_ComputerSystem", "TotalPhysicalMemory", UnitE::Bytes},
    {"TVK_PhysicalMemory", "Capacity", UnitE::Bytes},
    {"TVK_DiskDrive", "Size", UnitE::Bytes},
    {"TVK_LogicalDisk", "Size", UnitE::Bytes},
    {"TVK_LogicalDisk", "FreeSpace", UnitE::Bytes},
    {"TVK_OperatingSystem", "TotalVisibleMemorySize", UnitE::Kibibytes},
    {"TVK_OperatingSystem", "FreePhysicalMemory", UnitE::Kibibytes},
};

// A cell that sorts as a number: a figure, or a size as ShownValue gives it.
bool IsFigure(const std::string& cell) {
  uint64_t n = 0;
  if (hx::ParseUInt64(cell, n)) return true;
  const size_t open = cell.rfind('(');
  const size_t space = cell.rfind(' ');
  if (open != std::string::npos && space != std::string::npos && space > open && cell.back() == ')')
    return hx::ParseUInt64(cell.substr(open + 1, space - open - 1), n);
  return space != std::string::npos && cell.compare(space, std::string::npos, " bytes") == 0 &&
         hx::ParseUInt64(cell.substr(0, space), n);
}

std::string ClassNote(const HardwareClassT& c) {
  if (c.valuesLeftOut == 0) return std::string();
  return "not shown: " + std::to_string(c.valuesLeftOut) + " values of properties past the first " +
         std::to_string(c_MaxColumns) + " of the class";
}

std::string SectionNote(const SectionT& s) {
  if (s.classesLeftOut == 0) return std::string();
  return "not shown: " + std::to_string(s.instancesLeftOut) + " hardware instances of " +
         std::to_string(s.classesLeftOut) + " classes past the first " + std::to_string(c_MaxClasses);
}

std::string FilesNote(const SectionT& s) {
  if (s.pathsLeftOut == 0) return std::string();
  return "not shown: " + std::to_string(s.pathsLeftOut) + " paths of files past the first " +
         std::to_string(c_MaxFilePaths) + " of each";
}

// One hardware class: a single instance as property and value lines, several as one row per
// instance with a column per property (in order of first appearance), or one row per value when
// that table would be mostly empty.
TableT ClassTable(const HardwareClassT& c) {
  TableT t;
  t.title = c.className + " (" + std::to_string(c.instances.size()) + ")";
  t.note = ClassNote(c);
  bool evidence = false;
  size_t values = 0;
  for (const HardwareInstanceT& i : c.instances) {
    evidence = evidence || !i.evidence.empty();
    values += i.properties.size() + 1;
  }
  if (c.instances.size() == 1) {
    const HardwareInstanceT& i = c.instances.front();
    t.header = {"Property", "Value"};
    t.numeric = {false, false};
    t.rows.push_back({c_NameColumn, i.name});
    if (evidence) t.rows.push_back({c_EvidenceColumn, i.evidence});
    for (const auto& p : i.properties)
      t.rows.push_back({c.columns[p.first], ShownValue(c.className, c.columns[p.first], p.second)});
    return t;
  }
  t.header = {c_NameColumn};
  if (evidence) t.header.push_back(c_EvidenceColumn);
  const size_t fixed = t.header.size();
  const size_t cells = c.instances.size() * (fixed + c.columns.size());
  if (cells > c_MinSparseCells && cells > c_CellsPerValue * values) {
    t.header.insert(t.header.end(), {"Property", "Value"});
    for (const HardwareInstanceT& i : c.instances) {
      std::vector<std::string> row{i.name};
      if (evidence) row.push_back(i.evidence);
      if (i.properties.empty()) t.rows.push_back(row);
      for (const auto& p : i.properties) {
        t.rows.push_back(row);
        t.rows.back().insert(t.rows.back().end(), {c.columns[p.first], ShownValue(c.className, c.columns[p.first], p.second)});
      }
    }
  } else {
    t.header.insert(t.header.end(), c.columns.begin(), c.columns.end());
    for (const HardwareInstanceT& i : c.instances) {
      std::vector<std::string> row(t.header.size());
      row[0] = i.name;
      if (evidence) row[1] = i.evidence;
      for (const auto& p : i.properties) {
        std::string& cell = row[fixed + p.first];
        const std::string shown = ShownValue(c.className, c.columns[p.first], p.second);
        // A property named twice in one instance shows both values.
        cell = cell.empty() ? shown : cell + c_ValueSeparator + shown;
      }
      t.rows.push_back(std::move(row));
    }
  }
  t.numeric.assign(t.header.size(), false);
  for (size_t col = fixed; col < t.header.size(); ++col) {
    bool allNumbers = true;
    for (const auto& row : t.rows) allNumbers = allNumbers && (col >= row.size() || row[col].empty() || IsFigure(row[col]));
    t.numeric[col] = allNumbers;
  }
  return t;
}

TableT CountTable(const std::string& title, const std::string& key, const std::map<std::string, size_t>& counts) {
  TableT t{title, {key, "Count"}, {false, true}, {}};
  for (const auto& c : counts) t.rows.push_back({c.first, std::to_string(c.second)});
  return t;
}

// The files' texts are moved into the table: a file scan's section is by far the largest.
TableT FilesTable(std::vector<TrackedFileT>&& files, std::string note) {
  uint64_t bytes = 0;
  for (const TrackedFileT& f : files) bytes += f.size;
  TableT t{"Tracked files (" + std::to_string(files.size()) + ", " + BinarySize(bytes) +
               (bytes >= c_Kibi ? ", " + std::to_string(bytes) + " bytes)" : ")"),
           {"Path", "Size", "DateTime", "MD5", "Product"},
           {false, true, false, false, false},
           {},
           std::move(note)};
  t.rows.reserve(files.size());
  for (TrackedFileT& f : files)
    t.rows.push_back({std::move(f.path), std::to_string(f.size), std::move(f.dateTime), std::move(f.md5), std::move(f.product)});
  std::vector<TrackedFileT>().swap(files);
  return t;
}

TableT PackagesTable(const SectionT& s, const std::string& pattern) {
  TableT t{"Packages (" + std::to_string(s.packageCount) + ")", {"Name", "Version", "Type", "Install date"}, {}, {}};
  t.numeric.assign(t.header.size(), false);
  for (const PackageT& p : s.packageList)
    if (PackageMatches(p.name, pattern)) t.rows.push_back({p.name, p.version, p.type, p.installDate});
  if (!pattern.empty())
    t.title = "Packages matching " + pattern + " (" + std::to_string(t.rows.size()) + " of " +
              std::to_string(s.packageCount) + ")";
  return t;
}

// Each change as "old -> new", a size in its units; an entity's label on its first line only.
TableT ChangesTable(const std::vector<ChangedEntityT>& changed) {
  TableT t{"Changed properties", {"Entity", "Property", "Old \u2192 new"}, {false, false, false}, {}};
  for (const ChangedEntityT& e : changed) {
    bool first = true;
    for (const ChangeT& c : e.changes) {
      auto shown = [&](const std::string& v) { return v.empty() ? std::string(c_Absent) : ShownValue(e.kind, c.property, v); };
      t.rows.push_back({first ? e.label : std::string(), c.property, shown(c.before) + c_Arrow + shown(c.after)});
      first = false;
    }
  }
  return t;
}

std::vector<TableT> SectionTables(SectionT&& s, const ViewOptionsT& options, bool delta) {
  std::vector<TableT> tables;
  for (const HardwareClassT& c : s.hardware) tables.push_back(ClassTable(c));
  if (s.packageCount > 0 && (options.listPackages || delta || !options.packagePattern.empty()))
    tables.push_back(PackagesTable(s, options.packagePattern));
  else if (s.packageCount > 0)
    tables.push_back(CountTable("Packages (" + std::to_string(s.packageCount) + ")", "Type", s.packages));
  if (!s.files.empty()) tables.push_back(FilesTable(std::move(s.files), FilesNote(s)));
  if (!s.others.empty()) tables.push_back(CountTable("Other elements", "Element", s.others));
  return tables;
}

PartT Part(const std::string& title, SectionT&& s, const ViewOptionsT& options, bool delta) {
  const std::string note = s.Empty() ? "nothing" : SectionNote(s);
  return {title, SectionTables(std::move(s), options, delta), note};
}

size_t Updated(const ViewDocT& doc) { return doc.baseRead ? doc.changes.size() : doc.updated.entityCount; }

}  // namespace

std::string BinarySize(uint64_t bytes) {
  if (bytes < c_Kibi) return std::to_string(bytes) + " bytes";
  double value = static_cast<double>(bytes) / c_Kibi;
  size_t unit = 0;
  while (value >= c_Kibi && unit + 1 < sizeof c_BinaryUnits / sizeof c_BinaryUnits[0]) {
    value /= c_Kibi;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, c_BinaryUnits[unit]);
  return text;
}

std::string ShownValue(const std::string& className, const std::string& property, const std::string& value) {
  for (const SizePropertyT& p : c_SizeProperties) {
    if (className != p.className || property != p.property) continue;
    uint64_t n = 0;
    if (!hx::ParseUInt64(value, n)) return value;
    if (p.unit == UnitE::Bytes) return n < c_Kibi ? BinarySize(n) : BinarySize(n) + " (" + value + " bytes)";
    if (n > UINT64_MAX / c_Kibi) return value + " KiB";
    return BinarySize(n * c_Kibi) + " (" + value + " KiB)";
  }
  return value;
}

bool PackageMatches(const std::string& name, const std::string& pattern) {
  if (pattern.empty()) return true;
  if (pattern.find_first_of(c_PatternChars) != std::string::npos)
    return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
  return hx::ToLower(name).find(hx::ToLower(pattern)) != std::string::npos;
}

std::string DeltaCounts(const ViewDocT& doc) {
  if (!doc.delta) return std::string();
  return "Added: " + std::to_string(doc.added.entityCount) + ", Removed: " + std::to_string(doc.removed.entityCount) +
         ", Updated: " + std::to_string(Updated(doc));
}

TableT MachineTable(const ViewDocT& doc) {
  TableT t{"Machine", {"Attribute", "Value"}, {false, false}, {}};
  for (const auto& a : doc.root) t.rows.push_back({a.first, a.second});
  return t;
}

std::vector<PartT> SummaryParts(ViewDocT&& doc, const ViewOptionsT& options) {
  if (!doc.delta) {
    const std::string title = std::to_string(doc.full.hardwareCount) + " hardware instances in " +
                              std::to_string(doc.full.hardware.size() + doc.full.classesLeftOut) + " classes, " +
                              std::to_string(doc.full.packageCount) + " packages, " +
                              std::to_string(doc.full.files.size()) + " tracked files";
    PartT all = Part(title, std::move(doc.full), options, false);
    std::vector<PartT> parts;
    parts.push_back(std::move(all));
    return parts;
  }
  // Built one by one: a braced list would copy every table.
  std::vector<PartT> parts;
  parts.push_back(Part("Added", std::move(doc.added), options, true));
  parts.push_back(Part("Removed", std::move(doc.removed), options, true));
  if (!doc.baseRead) {
    // The delta holds an updated entity as it is now: what it was is in the base.
    PartT updated = Part("Updated", std::move(doc.updated), options, true);
    if (!updated.tables.empty())
      updated.note = "new values only: the old ones need the base, the full inventory the delta was made against "
                     "(--base FILE)" + (updated.note.empty() ? "" : "; " + updated.note);
    parts.push_back(std::move(updated));
  } else if (doc.changes.empty()) {
    parts.push_back({"Updated", {}, "nothing but ignored properties"});
  } else {
    parts.push_back({"Updated", {ChangesTable(doc.changes)}, SectionNote(doc.updated)});
  }
  return parts;
}

std::vector<std::string> LeftOut(const ViewDocT& doc) {
  std::vector<std::string> lines;
  auto section = [&](const std::string& part, const SectionT& s) {
    for (const HardwareClassT& c : s.hardware)
      if (c.valuesLeftOut > 0) lines.push_back(part + "class " + c.className + ": " + ClassNote(c));
    if (s.classesLeftOut > 0) lines.push_back(part + SectionNote(s));
    if (s.pathsLeftOut > 0) lines.push_back(part + FilesNote(s));
  };
  section("", doc.full);
  section("Added: ", doc.added);
  section("Removed: ", doc.removed);
  section("Updated: ", doc.updated);
  return lines;
}

std::string SummaryTitle(const ViewDocT& doc) {
  const std::string machine = doc.Root("MachineName");
  if (!doc.delta) return "Inventory of " + machine;
  return "Inventory delta of " + machine + ", generation " + doc.Root("Generation");
}

}  // namespace hxview
