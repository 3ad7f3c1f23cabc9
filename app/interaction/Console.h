#pragma once
// ConsoleC: where the interaction managers talk to a person. The question goes to the
// controlling terminal (/dev/tty), or to standard input and output when both are terminals;
// the status goes to standard output, drawn in place when that is a terminal and as plain
// lines otherwise (cron mail, pipes); error messages go to standard error.
//
// The process console is opened when a manager is made. Tests install their own console over
// pipes or a pseudo-terminal with SetInteractionConsole.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/files/SafeFile.h"

class ConsoleC {
 public:
  // A console over given descriptors. askIn/askOut of -1: nobody to ask. With ownsAsk the
  // question descriptors are closed with the console (askIn == askOut is closed once).
  ConsoleC(int askIn, int askOut, int out, int err, bool ownsAsk = false);
  ConsoleC(const ConsoleC&) = delete;
  ConsoleC& operator=(const ConsoleC&) = delete;

  // The process's console: /dev/tty when it opens, else stdin/stdout when both are terminals,
  // else no one to ask; output on stdout, errors on stderr.
  static std::shared_ptr<ConsoleC> OpenProcessConsole();

  bool CanAsk() const { return askIn_ >= 0 && askOut_ >= 0; }
  // Whether the status output is a terminal (drawn in place) rather than a file or pipe.
  bool OutputIsTerminal() const { return outIsTerminal_; }
  // The width of the output terminal in columns (80 when it does not say).
  int Columns() const;

  // Writes `prompt` where the question goes and reads one line (without its end). Nothing at
  // end of input, on a read error, or when there is no one to ask.
  std::optional<std::string> AskLine(std::string_view prompt);
  void Write(std::string_view text);
  void WriteError(std::string_view text);

 private:
  int askIn_, askOut_, out_, err_;
  hx::UniqueFdC ownedIn_, ownedOut_;  // the question descriptors when the console owns them
  bool outIsTerminal_;
};

namespace trk {
// The console that managers made from now on use: `console`, or the process console again
// when null.
void SetInteractionConsole(std::shared_ptr<ConsoleC> console);
// The installed console, else a newly opened process console.
std::shared_ptr<ConsoleC> InteractionConsole();
}  // namespace trk
