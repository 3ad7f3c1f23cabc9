#pragma once
// ngt_InteractionManagerC: the terminal manager. Questions are asked on the console (no one to
// ask, or the end of input, gives the default answer); status windows are drawn in place on a
// terminal and as plain lines elsewhere; information goes to standard output and error
// messages to standard error; a stop signal (Ctrl-C among them) is reported to the cancel
// handler while one is set.

#include <memory>
#include <optional>
#include <string_view>

#include "app/interaction/Console.h"
#include "app/interaction/InteractionManager.h"

// The answer a typed line gives: empty for the default, y/yes or n/no in any case, else none.
std::optional<QueryAnswerE> ParseQueryAnswer(std::string_view line, QueryAnswerE dflt);

class ngt_InteractionManagerC : public InteractionManagerI {
 public:
  // A question is asked this many times at most; after as many answers that are neither yes
  // nor no, the default answer is taken.
  static constexpr int c_MaxQueryAttempts = 3;

  explicit ngt_InteractionManagerC(std::shared_ptr<ConsoleC> console);
  ~ngt_InteractionManagerC() override;

  QueryAnswerE Query(const std::string& title, const std::string& text, QueryAnswerE dflt) override;
  std::unique_ptr<ProgressInteractionI> CreateProgress(const std::string& title) override;
  void Inform(const std::string& title, const std::string& text) override;
  bool SetCancelHandler(CancelHandlerFn handler) override;
  void ProcessInput() override;
  void SetShow(bool show) override { show_ = show; }
  bool GetShow() const override { return show_; }
  bool DrawsInPlace() const override { return show_ && console_->OutputIsTerminal(); }

 private:
  std::shared_ptr<ConsoleC> console_;
  CancelHandlerFn cancel_ = nullptr;
  bool show_ = true;
};
