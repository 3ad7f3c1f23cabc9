// The terminal manager on pseudo-terminals: the start-up question and its answers, the
// in-place drawing of the status window (only when something changed, the bar at a bounded
// rate), Ctrl-C as a cancellation, and a run from cron that has no terminal at all.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/interaction/Console.h"
#include "app/interaction/ConsoleViews.h"
#include "app/interaction/ProgressInteraction.h"
#include "app/interaction/StopSignals.h"
#include "app/interaction/TerminalInteractionManager.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "tests/app/InteractionTestSupport.h"

namespace {

using P = TrkPreferencesC;
constexpr struct winsize c_Screen = {24, 80, 0, 0};

using hxtest::Count;

// Reads a descriptor in the background until told to stop and the descriptor has been quiet
// for a moment (a pseudo-terminal hands data on with a small delay).
class ReaderC {
 public:
  explicit ReaderC(int fd) : fd_(fd), thread_([this] { Drain(); }) {}
  ~ReaderC() { Stop(); }
  ReaderC(const ReaderC&) = delete;
  ReaderC& operator=(const ReaderC&) = delete;

  std::string Text() {
    Stop();
    return text_;
  }
  // Waits (a bounded time) until `part` has been read.
  bool WaitFor(const std::string& part) {
    for (int i = 0; i < 1000; ++i) {
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (text_.find(part) != std::string::npos) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

 private:
  void Drain() {
    char buffer[4096];
    for (;;) {
      const bool stopping = stop_.load();
      struct pollfd p = {fd_, POLLIN, 0};
      const int ready = ::poll(&p, 1, stopping ? 50 : 20);
      if (ready == 0) {
        if (stopping) return;
        continue;
      }
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) return;  // the other side is gone
      std::lock_guard<std::mutex> hold(lock_);
      text_.append(buffer, static_cast<size_t>(n));
    }
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::string text_;
  std::thread thread_;
};

void Type(int fd, const std::string& keys) { ASSERT_EQ(::write(fd, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }

TEST(InteractionTerminal, TheStartupQuestionOnATerminal) {
  struct CaseT { const char* name; std::string typed; bool goesOn; size_t asked; };
  const std::vector<CaseT> cases = {
      {"no", "n\n", false, 1},
      {"No in capitals", "NO\n", false, 1},
      {"yes", "y\n", true, 1},
      {"Yes", " Yes \n", true, 1},
      {"just Enter takes the default", "\n", true, 1},
      {"end of input takes the default", "\x04", true, 1},
      {"asked again after a word that is neither", "maybe\nn\n", false, 2},
      {"the default after three such words", "a\nb\nc\nn\n", true, 3},
  };
  for (const CaseT& c : cases) {
    SCOPED_TRACE(c.name);
    struct winsize size = c_Screen;
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
    ReaderC screen(master);
    QueryAnswerE answer;
    {
      ngt_InteractionManagerC terminal(std::make_shared<ConsoleC>(slave, slave, -1, -1, true));
      Type(master, c.typed);
      answer = terminal.Query("Gathering inventory", "Do you wish to continue?", QueryAnswerE::Yes);
    }
    EXPECT_EQ(answer == QueryAnswerE::Yes, c.goesOn);
    const std::string shown = screen.Text();
    ::close(master);
    EXPECT_EQ(Count(shown, "Do you wish to continue? [Y/n] "), c.asked) << shown;
    EXPECT_NE(shown.find("Gathering inventory\r\n\r\n"), std::string::npos) << shown;
  }
}

// The status window drawn in place; the console's output is a pipe here, so that every byte
// written can be counted.
class InteractionTerminalView : public testing::Test {
 protected:
  void SetUp() override {
    console_ = std::make_shared<ConsoleC>(-1, -1, pipe_.WriteEnd(), pipe_.WriteEnd());
    window_ = std::make_unique<ProgressInteractionC>("Gathering inventory", std::make_unique<TerminalViewC>(console_));
    window_->Items().Add("Initialization");
    window_->Items().Add("Tracking");
    window_->Items().Add("Generate inventory");
    window_->StartSubItems(1).Add("Hardware");
  }
  std::string Written() { return pipe_.Take(); }

  hxapp::PipeC pipe_;
  std::shared_ptr<ConsoleC> console_;
  std::unique_ptr<ProgressInteractionC> window_;
};

TEST_F(InteractionTerminalView, RedrawsInPlaceOnlyWhatChanged) {
  window_->Update();
  const std::string first = Written();
  EXPECT_EQ(first.rfind("\r\x1b[2KGathering inventory\n", 0), 0u) << first;
  EXPECT_NE(first.find("\x1b[2K  [ .. ] Initialization\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\x1b[2K         [    ] Hardware\n"), std::string::npos) << first;

  window_->Update();  // nothing changed: nothing written
  window_->SetProgressText("");
  EXPECT_EQ(Written(), "");

  window_->Items().Mark(0, StatusMarkE::Succeeded);
  window_->Items().SetActive(1);
  window_->Update();
  const std::string second = Written();
  // Back to the top of the five lines drawn before, then the new frame.
  EXPECT_EQ(second.rfind("\r\x1b[5A\x1b[2KGathering inventory\n", 0), 0u) << second;
  EXPECT_NE(second.find("[ OK ] Initialization"), std::string::npos);
  EXPECT_NE(second.find("[ .. ] Tracking"), std::string::npos);
  EXPECT_NE(second.find("[ .. ] Hardware"), std::string::npos);  // under way with its item

  window_->SetShow(false);
  EXPECT_EQ(Written(), "\r\x1b[5A\x1b[J");  // the frame is erased
  window_->SetProgressText("Searching for hardware");
  EXPECT_EQ(Written(), "");  // hidden: not drawn
  window_->SetShow(true);
  const std::string third = Written();
  EXPECT_EQ(third.rfind("\r\x1b[2KGathering inventory\n", 0), 0u) << third;
  EXPECT_NE(third.find("  Searching for hardware\n"), std::string::npos);
}

TEST_F(InteractionTerminalView, TheBarIsRedrawnAtABoundedRate) {
  window_->Update();
  window_->SetProgressMax(100000);
  Written();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100000; ++i) window_->IncrementProgress();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const std::string drawn = Written();
  // The first step may draw, then at most one frame per interval, and the full bar always.
  const size_t bound = static_cast<size_t>(elapsed / TerminalViewC::c_BarInterval) + 2;
  EXPECT_LE(Count(drawn, "Gathering inventory"), bound);
  EXPECT_GE(Count(drawn, "Gathering inventory"), 1u);
  EXPECT_NE(drawn.find("  [########################################] 100%\n"), std::string::npos) << drawn;
}

TEST(InteractionFrame, LinesFitTheTerminalAndCarryNoControlCharacters) {
  ProgressInteractionC window("Gathering inventory", nullptr);
  window.Items().Add("Initialization");
  window.SetProgressText("Generating inventory '/var/tmp/\x1b[2Jzone\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9/inventory.hxi'");
  window.SetProgressMax(3);
  window.SetProgress(1);
  for (size_t columns : {20u, 40u, 79u}) {
    SCOPED_TRACE(columns);
    for (const std::string& line : BuildStatusFrame(window, columns)) {
      EXPECT_LE(hx::CountCharacters(line), columns) << line;
      EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    }
  }
  const std::vector<std::string> wide = BuildStatusFrame(window, 200);
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[3], "  [#############---------------------------]  33%");
}

// Runs `body` in a child process whose controlling terminal is a new pseudo-terminal (it is
// the terminal's foreground process group); `talk` gets the terminal's master side. Returns
// the child's exit status (-1 when it did not exit normally) and what the terminal showed.
template <typename BodyT, typename TalkT>
std::pair<int, std::string> OnTerminal(BodyT body, TalkT talk) {
  struct winsize size = c_Screen;
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) return {-1, ""};
  if (pid == 0) {
    ::alarm(20);  // never outlive the test
    ::_exit(body());
  }
  std::string shown;
  {
    ReaderC screen(master);
    talk(master, screen);
    int status = 0;
    ::waitpid(pid, &status, 0);
    shown = screen.Text();
    ::close(master);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, shown};
  }
}

class InteractionProcess : public hxapp::InteractionFixture {
 protected:
  void SetUp() override {
    InteractionFixture::SetUp();
    Set(P::c_InventoryType, "Machine");
    Set(P::c_Hardware, "True");
    Set(P::c_Compress, "False");
  }
};

constexpr int c_ChildCancelled = 0;
constexpr int c_ChildDeclined = 2;
constexpr int c_ChildNotCancelled = 3;

// What a run at the full level does with the person at the terminal: ask, show the status,
// and poll for a cancellation between steps.
int RunUntilCancelled() {
  trk::InstallStopSignals();  // as the program does at start-up
  TrkTrackerGUIC::Initialise();
  TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance();
  if (!gui->DisplayStartupWindow()) return c_ChildDeclined;
  gui->DisplayStatusWindow();
  gui->NextStatusItem(true);
  const std::string ready = "READY\n";
  (void)!::write(STDOUT_FILENO, ready.data(), ready.size());
  bool cancelled = false;
  for (int i = 0; i < 1000 && !cancelled; ++i) {
    ::usleep(10000);
    cancelled = TrkTrackerGUIC::IsCancelled();
  }
  TrkTrackerGUIC::Finalise();
  log_LogManagerC::ReleaseInstance(0);
  return cancelled ? c_ChildCancelled : c_ChildNotCancelled;
}

// Ctrl-C during the run cancels it; at the start-up question it ends the question, as a "no".
TEST_F(InteractionProcess, CtrlCAtTheFullLevelCancelsTheRun) {
  Set(P::c_UserInteractionLevel, "full");
  for (const bool atQuestion : {false, true}) {
    SCOPED_TRACE(atQuestion ? "at the question" : "during the run");
    const auto [status, shown] = OnTerminal(RunUntilCancelled, [atQuestion](int master, ReaderC& screen) {
      if (!atQuestion) Type(master, "y\n");
      if (screen.WaitFor(atQuestion ? "[Y/n] " : "READY")) Type(master, "\x03");
    });
    EXPECT_EQ(status, atQuestion ? c_ChildDeclined : c_ChildCancelled) << shown;
    if (atQuestion) continue;
    // The question and the status were on the terminal, drawn in place.
    EXPECT_NE(shown.find("Do you wish to continue? [Y/n] "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\x1b[2K  [ OK ] Initialization"), std::string::npos) << shown;
    EXPECT_EQ(Count(Log(), "WARNING: Inventory tracking terminated by user"), 1u) << Log();
  }
}

// From cron: no controlling terminal, no input, output into a pipe. The question takes its
// default at once and the status arrives as plain lines.
TEST_F(InteractionProcess, WithoutATerminalTheRunNeitherWaitsNorDraws) {
  for (const char* level : {"FULL", "STATUS"}) {
    SCOPED_TRACE(level);
    Set(P::c_UserInteractionLevel, level);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::alarm(20);
      ::setsid();  // a new session without a controlling terminal
      const int none = ::open("/dev/null", O_RDONLY);
      ::dup2(none, STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      trk::SetInteractionConsole(nullptr);
      TrkTrackerGUIC::Initialise();
      TrkTrackerGUIC* gui = TrkTrackerGUIC::Instance();
      const bool goesOn = gui->DisplayStartupWindow();
      gui->DisplayStatusWindow();
      gui->NextStatusItem(true);
      gui->NextStatusItem(false);
      TrkTrackerGUIC::Finalise();
      ::_exit(goesOn ? 0 : 1);
    }
    ::close(out[1]);
    ReaderC reader(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string shown = reader.Text();
    ::close(out[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(shown,
              "Gathering inventory\n"
              "[ OK ] Initialization\n"
              "  [FAIL] Hardware\n"
              "[FAIL] Tracking\n");
  }
}

}  // namespace
