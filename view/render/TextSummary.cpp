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
// Columns are aligned up to this many characters; a longer cell runs on past its column. Every
// row is padded to the column widths, so one long value (a path of 4096 bytes) would otherwise
// widen every line of a table of hundreds of thousands of files. Paths on a real machine stay
// well below it.
constexpr size_t c_MaxAlignedWidth = 200;

bool IsControl(uint32_t cp) { return cp < c_FirstPrintable || cp == c_Delete || (cp >= c_FirstC1 && cp <= c_LastC1); }

}  // namespace

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

namespace {

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

// The text as it is made, handed to the sink whenever a piece is full: the summary of a large
// inventory is never held whole. After the sink fails the rest is dropped.
class PiecesC {
 public:
  explicit PiecesC(const TextSinkT& sink) : sink_(sink) { text_.reserve(2 * c_Piece); }
  std::string& text() { return text_; }
  void Flush(size_t atLeast = c_Piece) {
    if (text_.size() < atLeast) return;
    ok_ = ok_ && sink_(text_);
    text_.clear();
  }
  bool Finish() {
    if (!text_.empty()) Flush(0);
    return ok_;
  }

 private:
  static constexpr size_t c_Piece = 256 * 1024;
  const TextSinkT& sink_;
  std::string text_;
  bool ok_ = true;
};

void AppendTable(TableT table, PiecesC& pieces) {
  const size_t columns = table.header.size();
  std::vector<size_t> width(columns, 0);
  auto measure = [&](std::vector<std::string>& row) {
    row.resize(columns);
    for (size_t c = 0; c < columns; ++c) {
      MakePrintable(row[c]);
      width[c] = std::max(width[c], std::min(hx::CountCharacters(row[c]), c_MaxAlignedWidth));
    }
  };
  measure(table.header);
  for (auto& row : table.rows) measure(row);
  std::string& out = pieces.text();
  MakePrintable(table.title);
  out += "\n" + table.title + "\n";
  auto line = [&](const std::vector<std::string>& row) {
    out += c_Indent;
    for (size_t c = 0; c < columns; ++c) {
      const size_t length = hx::CountCharacters(row[c]);
      const size_t pad = length < width[c] ? width[c] - length : 0;
      const bool right = c < table.numeric.size() && table.numeric[c];
      if (c > 0) out += c_ColumnGap;
      if (right) out.append(pad, ' ');
      out += row[c];
      if (!right) out.append(pad, ' ');
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += '\n';
    pieces.Flush();
  };
  line(table.header);
  out += c_Indent;
  for (size_t c = 0; c < columns; ++c) {
    if (c > 0) out += c_ColumnGap;
    out.append(width[c], '-');
  }
  out += '\n';
  for (const auto& row : table.rows) line(row);
  if (!table.note.empty()) {
    MakePrintable(table.note);
    out += c_Indent + table.note + "\n";
  }
}

}  // namespace

bool WriteTextSummary(ViewDocT doc, const TextSinkT& sink, const ViewOptionsT& options) {
  PiecesC pieces(sink);
  pieces.text() += Underline(Printable(SummaryTitle(doc)), '=');
  if (doc.delta) pieces.text() += "\n" + DeltaCounts(doc) + "\n";
  AppendTable(MachineTable(doc), pieces);
  for (PartT& part : SummaryParts(std::move(doc), options)) {
    pieces.text() += "\n" + Underline(part.title, '-');
    if (!part.note.empty()) pieces.text() += c_Indent + part.note + "\n";
    for (TableT& t : part.tables) AppendTable(std::move(t), pieces);
  }
  return pieces.Finish();
}

std::string FormatTextSummary(ViewDocT doc, const ViewOptionsT& options) {
  std::string text;
  // This sink never fails: appending to a string.
  HX_IGNORE_RESULT(WriteTextSummary(
      std::move(doc),
      [&](const std::string& piece) {
        text += piece;
        return true;
      },
      options));
  return text;
}

}  // namespace hxview
