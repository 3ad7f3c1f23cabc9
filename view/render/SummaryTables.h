#pragma once
// The tables of a summary, the same for the terminal and for the page: each section of an
// inventory becomes a list of titled tables (one per hardware class, the package counts by
// type, the tracked files, other elements), so that the two forms cannot drift apart.

#include <cstdint>
#include <string>
#include <vector>

#include "view/model/ViewModel.h"

namespace hxview {

struct TableT {
  std::string title;
  std::vector<std::string> header;
  std::vector<bool> numeric;  // per column: right-aligned, sorted as numbers
  std::vector<std::vector<std::string>> rows;  // a row may be shorter than the header: the rest is empty
  std::string note{};                           // what the table leaves out, said below it
};

// A titled part of the summary ("Hardware", "Added", ...) and its tables; `note` stands in
// for the tables when there are none, or says what the part leaves out.
struct PartT {
  std::string title;
  std::vector<TableT> tables;
  std::string note;
};

// What a summary shows beyond its defaults.
struct ViewOptionsT {
  // Packages one by one (name, version, type, install date) rather than counted by type; a
  // delta's are always listed.
  bool listPackages = false;
  // Only the packages whose name holds this text, or, with * ? or [, matches it as a shell
  // pattern; case is ignored.
  std::string packagePattern{};
};

// A size in binary units: "512 bytes", "1.5 KiB", "23.5 GiB".
std::string BinarySize(uint64_t bytes);
// A property's value as shown: sizes and memory in binary units with the exact figure beside
// ("23.5 GiB (25276157952 bytes)", "14.6 GiB (15279232 KiB)"), anything else as it is.
std::string ShownValue(const std::string& className, const std::string& property, const std::string& value);
// Whether a package name is one the pattern asks for.
bool PackageMatches(const std::string& name, const std::string& pattern);

// The root attributes as a two-column table.
TableT MachineTable(const ViewDocT& doc);
// A delta's line of counts, "Added: N, Removed: N, Updated: N" (top-level entities; once the
// base was read, updated ones whose only changes are ignored are not counted), "" for an inventory.
std::string DeltaCounts(const ViewDocT& doc);
// The parts of a document: for a full inventory its hardware, packages and files; for a delta
// what was added, removed and updated. The document's entities are moved into the tables.
std::vector<PartT> SummaryParts(ViewDocT&& doc, const ViewOptionsT& options = {});
// What the summary of a document leaves out (the same texts as the notes in the tables), one
// line each, prefixed with the class or the part of a delta that it concerns.
std::vector<std::string> LeftOut(const ViewDocT& doc);
// The summary's heading: "Inventory of <machine>" or "Inventory delta of <machine>, generation <n>".
std::string SummaryTitle(const ViewDocT& doc);

}  // namespace hxview
