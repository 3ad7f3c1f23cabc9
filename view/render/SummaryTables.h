#pragma once
// The tables of a summary, the same for the terminal and for the page: each section of an
// inventory becomes a list of titled tables (one per hardware class, the package counts by
// type, the tracked files, other elements), so that the two forms cannot drift apart.

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

// The root attributes as a two-column table.
TableT MachineTable(const ViewDocT& doc);
// The parts of a document: for a full inventory its hardware, packages and files; for a delta
// what was added, removed and updated. The document's entities are moved into the tables.
std::vector<PartT> SummaryParts(ViewDocT&& doc);
// What the summary of a document leaves out (the same texts as the notes in the tables), one
// line each, prefixed with the class or the part of a delta that it concerns.
std::vector<std::string> LeftOut(const ViewDocT& doc);
// The summary's heading: "Inventory of <machine>" or "Inventory delta of <machine>, generation <n>".
std::string SummaryTitle(const ViewDocT& doc);

}  // namespace hxview
