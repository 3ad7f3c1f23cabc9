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

bool IsControl(uint32_t cp) { return cp < c_FirstPrintable || cp == c_Delete || (cp >= c_FirstC1 && cp <= c_LastC1); }

// C0, DEL and C1 controls (the C1 CSI is an escape sequence on many terminals) become '?'.
std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  hx::ForEachChar(text, [&](uint32_t cp, std::string_view bytes) {
    if (IsControl(cp)) out += '?';
    else if (bytes.empty()) hx::AppendUtf8(out, cp);
    else out.append(bytes);
  });
  return out;
}

// Whether a text is anything but printable ASCII, which may hold a control character. Most
// texts are plain and stay as they are, which keeps a table of many thousand rows cheap.
bool MayHoldControl(const std::string& text) {
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < c_FirstPrintable || c >= c_Delete) return true;
  }
  return false;
}

void MakePrintable(std::string& text) {
  if (MayHoldControl(text)) text = Printable(text);
}

std::string Underline(const std::string& title, char c) { return title + "\n" + std::string(hx::CountCharacters(title), c) + "\n"; }

}  // namespace

std::string FormatTextTable(TableT table) {
  const size_t columns = table.header.size();
  std::vector<size_t> width(columns, 0);
  auto measure = [&](std::vector<std::string>& row) {
    row.resize(columns);
    for (size_t c = 0; c < columns; ++c) {
      MakePrintable(row[c]);
      width[c] = std::max(width[c], hx::CountCharacters(row[c]));
    }
  };
  measure(table.header);
  for (auto& row : table.rows) measure(row);
  std::string out;
  size_t lineWidth = 0;
  for (size_t w : width) lineWidth += w + 2;
  out.reserve((table.rows.size() + 3) * (lineWidth + 1));
  MakePrintable(table.title);
  out += table.title + "\n";
  auto line = [&](const std::vector<std::string>& row) {
    out += c_Indent;
    for (size_t c = 0; c < columns; ++c) {
      const size_t pad = width[c] - hx::CountCharacters(row[c]);
      const bool right = c < table.numeric.size() && table.numeric[c];
      if (c > 0) out += c_ColumnGap;
      if (right) out.append(pad, ' ');
      out += row[c];
      if (!right) out.append(pad, ' ');
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
  };
  line(table.header);
  out += c_Indent;
  for (size_t c = 0; c < columns; ++c) {
    if (c > 0) out += c_ColumnGap;
    out.append(width[c], '-');
  }
  out += '\n';
  for (const auto& row : table.rows) line(row);
  return out;
}

std::string FormatTextSummary(ViewDocT doc) {
  std::string out = Underline(Printable(SummaryTitle(doc)), '=') + "\n" + FormatTextTable(MachineTable(doc));
  for (PartT& part : SummaryParts(std::move(doc))) {
    out += "\n" + Underline(part.title, '-');
    if (!part.note.empty()) out += c_Indent + part.note + "\n";
    for (TableT& t : part.tables) out += "\n" + FormatTextTable(std::move(t));
  }
  return out;
}

}  // namespace hxview
