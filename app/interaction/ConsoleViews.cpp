#include "app/interaction/ConsoleViews.h"

#include <algorithm>

#include "foundation/core/Text.h"

namespace {

constexpr const char* c_Indent = "  ";
constexpr const char* c_SubIndent = "         ";  // under the text of a first-level item
constexpr size_t c_MaxBarCells = 40;
constexpr size_t c_BarDecoration = 10;  // the indent, "[", "] ", the percentage and its sign
constexpr size_t c_MinBarCells = 10;
constexpr uint64_t c_Hundred = 100;

// ANSI control sequences of the in-place redraw.
constexpr const char* c_EraseLine = "\x1b[2K";
constexpr const char* c_EraseBelow = "\x1b[J";

// `text` cut to `columns` characters: a line that wraps would break the cursor arithmetic.
std::string Fit(const std::string& text, size_t columns) {
  if (hx::CountCharacters(text) <= columns) return text;
  std::string out;
  size_t n = 0;
  hx::ForEachChar(text, [&](uint32_t cp, std::string_view bytes) {
    if (n++ >= columns) return;
    if (bytes.empty()) hx::AppendUtf8(out, cp);
    else out.append(bytes);
  });
  return out;
}

constexpr uint32_t c_FirstPrintable = 0x20;
constexpr uint32_t c_Delete = 0x7F;
constexpr uint32_t c_FirstC1 = 0x80;
constexpr uint32_t c_LastC1 = 0x9F;

// A control character in a text from outside (a path, a message) would move the cursor too;
// that includes the C1 controls, which a file name's bytes become as ISO-8859-1 characters.
std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  hx::ForEachChar(text, [&](uint32_t cp, std::string_view bytes) {
    if (cp < c_FirstPrintable || cp == c_Delete || (cp >= c_FirstC1 && cp <= c_LastC1)) out += ' ';
    else if (bytes.empty()) hx::AppendUtf8(out, cp);
    else out.append(bytes);
  });
  return out;
}

bool IsActive(const StatusListC& list, size_t i) { return !list.Finished() && list.Active() == i; }

// `listActive`: whether the list is under way (a second-level list only while its item is).
std::string ItemLine(const char* indent, const StatusListC& list, size_t i, bool listActive) {
  const StatusItemT& item = list.Item(i);
  return std::string(indent) + StatusMarkText(item.mark, listActive && IsActive(list, i)) + " " + Printable(item.text);
}

uint64_t Percent(const ProgressInteractionI& w) {
  if (w.ProgressMax() == 0) return 0;
  if (w.Progress() >= w.ProgressMax()) return c_Hundred;
  return static_cast<uint64_t>(static_cast<double>(w.Progress()) * c_Hundred / static_cast<double>(w.ProgressMax()));
}

size_t BarWidth(size_t columns) {
  const size_t room = columns > c_BarDecoration ? columns - c_BarDecoration : 0;
  return std::max(c_MinBarCells, std::min(c_MaxBarCells, room));
}

uint64_t Cells(const ProgressInteractionI& w, size_t width) {
  if (w.ProgressMax() == 0) return 0;
  if (w.Progress() >= w.ProgressMax()) return width;
  return static_cast<uint64_t>(static_cast<double>(w.Progress()) * static_cast<double>(width) /
                               static_cast<double>(w.ProgressMax()));
}

std::string BarLine(const ProgressInteractionI& w, size_t columns) {
  const size_t width = BarWidth(columns);
  const size_t cells = static_cast<size_t>(Cells(w, width));
  std::string line = std::string(c_Indent) + "[" + std::string(cells, '#') + std::string(width - cells, '-') + "] ";
  const std::string percent = std::to_string(Percent(w));
  line += std::string(3 - std::min<size_t>(3, percent.size()), ' ') + percent + "%";
  return line;
}

}  // namespace

const char* StatusMarkText(StatusMarkE mark, bool active) {
  switch (mark) {
    case StatusMarkE::Succeeded:
      return "[ OK ]";
    case StatusMarkE::Failed:
      return "[FAIL]";
    case StatusMarkE::Pending:
      break;
  }
  return active ? "[ .. ]" : "[    ]";
}

std::vector<std::string> BuildStatusFrame(const ProgressInteractionI& window, size_t columns) {
  std::vector<std::string> lines;
  lines.push_back(Printable(window.Title()));
  const StatusListC& items = window.Items();
  const StatusListC& sub = window.SubItems();
  for (size_t i = 0; i < items.Count(); ++i) {
    const bool active = IsActive(items, i);
    lines.push_back(ItemLine(c_Indent, items, i, true));
    if (i != window.SubItemsParent()) continue;
    for (size_t j = 0; j < sub.Count(); ++j) lines.push_back(ItemLine(c_SubIndent, sub, j, active));
  }
  // The status text details the progress text (what a long step is doing now): it goes below.
  if (!window.ProgressText().empty()) lines.push_back(c_Indent + Printable(window.ProgressText()));
  if (!window.StatusText().empty()) lines.push_back(c_Indent + Printable(window.StatusText()));
  if (window.ProgressMax() > 0) lines.push_back(BarLine(window, columns));
  for (std::string& line : lines) line = Fit(line, columns);
  return lines;
}

TerminalViewC::TerminalViewC(std::shared_ptr<ConsoleC> console) : console_(std::move(console)) {}

void TerminalViewC::Changed(const ProgressInteractionI& window) { Draw(window); }

void TerminalViewC::ProgressChanged(const ProgressInteractionI& window) {
  // Called for every step of a long operation: only arithmetic until the bar visibly moves.
  if (window.ProgressMax() == 0) return;
  const BarT now{Percent(window), Cells(window, barWidth_)};
  if (now == bar_) return;
  if (now.percent < c_Hundred && std::chrono::steady_clock::now() - lastDraw_ < c_BarInterval) return;
  Draw(window);
}

void TerminalViewC::Hidden() {
  if (lines_ == 0) return;
  console_->Write(CursorToFrameTop() + c_EraseBelow);
  lines_ = 0;
  drawn_.clear();
}

std::string TerminalViewC::CursorToFrameTop() const {
  return lines_ == 0 ? std::string("\r") : "\r\x1b[" + std::to_string(lines_) + "A";
}

void TerminalViewC::Draw(const ProgressInteractionI& window) {
  // One column spare: writing into the last column makes some terminals wrap early.
  const size_t columns = static_cast<size_t>(std::max(console_->Columns() - 1, 1));
  const std::vector<std::string> lines = BuildStatusFrame(window, columns);
  std::string frame;
  for (const std::string& line : lines) frame.append(c_EraseLine).append(line).append("\n");
  barWidth_ = BarWidth(columns);
  bar_ = {Percent(window), Cells(window, barWidth_)};
  lastDraw_ = std::chrono::steady_clock::now();
  if (frame == drawn_) return;
  console_->Write(CursorToFrameTop() + frame + c_EraseBelow);
  drawn_ = std::move(frame);
  lines_ = lines.size();
}

PlainViewC::PlainViewC(std::shared_ptr<ConsoleC> console) : console_(std::move(console)) {}

void PlainViewC::Changed(const ProgressInteractionI& window) {
  if (!titlePrinted_) {
    console_->Write(Printable(window.Title()) + "\n");
    titlePrinted_ = true;
  }
  std::vector<std::string> subTexts = window.SubItems().Texts();
  if (subTexts != subTexts_) {
    subTexts_ = std::move(subTexts);
    subPrinted_.clear();
  }
  // A second-level item finishes before the item it belongs to.
  Report(window.SubItems(), subPrinted_, c_Indent);
  Report(window.Items(), printed_, "");
}

void PlainViewC::Report(const StatusListC& list, std::vector<StatusMarkE>& printed, const char* indent) {
  printed.resize(list.Count(), StatusMarkE::Pending);
  std::string out;
  for (size_t i = 0; i < list.Count(); ++i) {
    const StatusMarkE mark = list.Item(i).mark;
    if (mark == StatusMarkE::Pending || mark == printed[i]) continue;
    out += std::string(indent) + StatusMarkText(mark, false) + " " + Printable(list.Item(i).text) + "\n";
    printed[i] = mark;
  }
  if (!out.empty()) console_->Write(out);
}
