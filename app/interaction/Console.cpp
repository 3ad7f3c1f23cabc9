#include "app/interaction/Console.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "app/interaction/StopSignals.h"

namespace {

constexpr const char* c_TerminalDevice = "/dev/tty";
constexpr int c_DefaultColumns = 80;
// An answer is a word; anything longer is kept only up to this many bytes.
constexpr size_t c_MaxAnswerLength = 1024;
// How often a question waiting for its answer looks for a stop signal.
constexpr int c_StopCheckMs = 200;

void WriteAll(int fd, std::string_view text) {
  if (fd < 0) return;
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a closed or broken output loses the text, never the run
    text.remove_prefix(static_cast<size_t>(n));
  }
}

std::mutex g_consoleLock;
std::shared_ptr<ConsoleC> g_console;

}  // namespace

ConsoleC::ConsoleC(int askIn, int askOut, int out, int err, bool ownsAsk)
    : askIn_(askIn), askOut_(askOut), out_(out), err_(err), outIsTerminal_(::isatty(out) == 1) {
  if (!ownsAsk) return;
  ownedIn_.reset(askIn);
  if (askOut != askIn) ownedOut_.reset(askOut);
}

std::shared_ptr<ConsoleC> ConsoleC::OpenProcessConsole() {
  const int tty = ::open(c_TerminalDevice, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty >= 0) return std::make_shared<ConsoleC>(tty, tty, STDOUT_FILENO, STDERR_FILENO, true);
  if (::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1)
    return std::make_shared<ConsoleC>(STDIN_FILENO, STDOUT_FILENO, STDOUT_FILENO, STDERR_FILENO);
  return std::make_shared<ConsoleC>(-1, -1, STDOUT_FILENO, STDERR_FILENO);
}

int ConsoleC::Columns() const {
  struct winsize size {};
  if (outIsTerminal_ && ::ioctl(out_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return c_DefaultColumns;
}

std::optional<std::string> ConsoleC::AskLine(std::string_view prompt) {
  if (!CanAsk()) return std::nullopt;
  WriteAll(askOut_, prompt);
  std::string line;
  for (;;) {
    // A stop signal ends the question (a restarted read would wait for the person); it is
    // looked for between short waits, so that one arriving just before a wait is not missed.
    pollfd ready{askIn_, POLLIN, 0};
    if (trk::StopSignal() != 0) {
      WriteAll(askOut_, "\n");
      return std::nullopt;
    }
    const int polled = ::poll(&ready, 1, c_StopCheckMs);
    if (polled < 0 && errno != EINTR) break;
    if (polled <= 0) continue;
    char c = 0;
    const ssize_t n = ::read(askIn_, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (c == '\n') return line;
    if (line.size() < c_MaxAnswerLength) line.push_back(c);
  }
  // End of input: the person's line was not ended, so end it for what is printed next. A
  // partly typed answer still counts, an empty one is no answer.
  WriteAll(askOut_, "\n");
  if (line.empty()) return std::nullopt;
  return line;
}

void ConsoleC::Write(std::string_view text) { WriteAll(out_, text); }

void ConsoleC::WriteError(std::string_view text) { WriteAll(err_, text); }

namespace trk {

void SetInteractionConsole(std::shared_ptr<ConsoleC> console) {
  std::lock_guard<std::mutex> hold(g_consoleLock);
  g_console = std::move(console);
}

std::shared_ptr<ConsoleC> InteractionConsole() {
  {
    std::lock_guard<std::mutex> hold(g_consoleLock);
    if (g_console) return g_console;
  }
  return ConsoleC::OpenProcessConsole();
}

}  // namespace trk
