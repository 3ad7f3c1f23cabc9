#pragma once
// The two ways a status window reaches a console. On a terminal the whole window is one frame
// redrawn in place (cursor movement); everywhere else (cron mail, pipes, files) each finished
// status item becomes one plain line, so that what an administrator reads has no escape
// sequences in it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/interaction/Console.h"
#include "app/interaction/ProgressInteraction.h"

// The lines of the window as the terminal shows them, each cut to `columns` characters.
std::vector<std::string> BuildStatusFrame(const ProgressInteractionI& window, size_t columns);
// The mark in front of an item: "[ OK ]", "[FAIL]", "[ .. ]" while active, "[    ]" pending.
const char* StatusMarkText(StatusMarkE mark, bool active);

class TerminalViewC : public ProgressViewI {
 public:
  // The bar is redrawn at most this often while it moves (texts and marks redraw at once).
  static constexpr std::chrono::milliseconds c_BarInterval{100};

  explicit TerminalViewC(std::shared_ptr<ConsoleC> console);
  void Changed(const ProgressInteractionI& window) override;
  void ProgressChanged(const ProgressInteractionI& window) override;
  void Hidden() override;

 private:
  struct BarT {
    uint64_t percent = 0, cells = 0;
    bool operator==(const BarT& o) const { return percent == o.percent && cells == o.cells; }
  };
  void Draw(const ProgressInteractionI& window);
  std::string CursorToFrameTop() const;

  std::shared_ptr<ConsoleC> console_;
  std::string drawn_;  // the frame on the screen, to skip redraws that change nothing
  size_t lines_ = 0;   // its height
  BarT bar_;
  size_t barWidth_ = 0;  // cells of the bar as last drawn
  std::chrono::steady_clock::time_point lastDraw_{};
};

class PlainViewC : public ProgressViewI {
 public:
  explicit PlainViewC(std::shared_ptr<ConsoleC> console);
  void Changed(const ProgressInteractionI& window) override;
  void ProgressChanged(const ProgressInteractionI&) override {}
  void Hidden() override {}

 private:
  // Prints the items whose mark differs from what was printed for them.
  void Report(const StatusListC& list, std::vector<StatusMarkE>& printed, const char* indent);

  std::shared_ptr<ConsoleC> console_;
  bool titlePrinted_ = false;
  std::vector<StatusMarkE> printed_, subPrinted_;
  std::vector<std::string> subTexts_;  // the second-level list the marks above belong to
};
