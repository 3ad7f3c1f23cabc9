#include "view/render/TextSummary.h"

#include <algorithm>

#include "foundation/core/Text.h"

namespace hxview {

namespace {

constexpr const char* c_Indent = "  ";
constexpr const char* c_ColumnGap = "  ";
constexpr uint32_t c_Delete = 0x7F;
constexpr uint32_t c_FirstC1 = 0x80;
constexpr uint32_t c_LastC1 = 0x9F;
constexpr uint32_t c_FirstPrintable = 0x20;

// C0, DEL and C1 controls (the C1 CSI is an escape sequence on many terminals) become '?'.
std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  hx::ForEachChar(text, [&](uint32_t cp, std::string_view bytes) {
    if (cp < c_FirstPrintable || cp == c_Delete || (cp >= c_FirstC1 && cp <= c_LastC1)) out += '?';
    else if (bytes.empty()) hx::AppendUtf8(out, cp);
    else out.append(bytes);
  });
  return out;
}

std::string Underline(const std::string& title, char c) { return title + "\n" + std::string(hx::CountCharacters(title), c) + "\n"; }

}  // namespace

std::string FormatTextTable(const TableT& table) {
  const size_t columns = table.header.size();
  std::vector<std::vector<std::string>> cells;
  cells.push_back(table.header);
  for (const auto& row : table.rows) cells.push_back(row);
  std::vector<size_t> width(columns, 0);
  for (auto& row : cells) {
    row.resize(columns);
    for (size_t c = 0; c < columns; ++c) {
      row[c] = Printable(row[c]);
      width[c] = std::max(width[c], hx::CountCharacters(row[c]));
    }
  }
  std::string out = Printable(table.title) + "\n";
  for (size_t r = 0; r < cells.size(); ++r) {
    std::string line = c_Indent;
    for (size_t c = 0; c < columns; ++c) {
      const std::string pad(width[c] - hx::CountCharacters(cells[r][c]), ' ');
      const bool right = c < table.numeric.size() && table.numeric[c];
      if (c > 0) line += c_ColumnGap;
      line += right ? pad + cells[r][c] : cells[r][c] + pad;
    }
    out += hx::TrimRight(line) + "\n";
    if (r == 0) {
      std::string rule = c_Indent;
      for (size_t c = 0; c < columns; ++c) rule += (c > 0 ? c_ColumnGap : "") + std::string(width[c], '-');
      out += rule + "\n";
    }
  }
  return out;
}

std::string FormatTextSummary(const ViewDocT& doc) {
  std::string out = Underline(Printable(SummaryTitle(doc)), '=') + "\n" + FormatTextTable(MachineTable(doc));
  for (const PartT& part : SummaryParts(doc)) {
    out += "\n" + Underline(part.title, '-');
    if (!part.note.empty()) out += c_Indent + part.note + "\n";
    for (const TableT& t : part.tables) out += "\n" + FormatTextTable(t);
  }
  return out;
}

}  // namespace hxview
