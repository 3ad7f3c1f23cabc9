#include "app/interaction/TerminalInteractionManager.h"

#include "app/interaction/ConsoleViews.h"
#include "app/interaction/StopSignals.h"
#include "foundation/core/Text.h"
#include "foundation/messages/Errors.h"

namespace {

constexpr const char* c_YesDefault = " [Y/n] ";
constexpr const char* c_NoDefault = " [y/N] ";

}  // namespace

std::optional<QueryAnswerE> ParseQueryAnswer(std::string_view line, QueryAnswerE dflt) {
  const std::string answer = hx::Trim(line);
  if (answer.empty()) return dflt;
  if (hx::EqualsNoCase(answer, "y") || hx::EqualsNoCase(answer, "yes")) return QueryAnswerE::Yes;
  if (hx::EqualsNoCase(answer, "n") || hx::EqualsNoCase(answer, "no")) return QueryAnswerE::No;
  return std::nullopt;
}

ngt_InteractionManagerC::ngt_InteractionManagerC(std::shared_ptr<ConsoleC> console) : console_(std::move(console)) {}

ngt_InteractionManagerC::~ngt_InteractionManagerC() = default;

QueryAnswerE ngt_InteractionManagerC::Query(const std::string& title, const std::string& text, QueryAnswerE dflt) {
  const std::string prompt =
      (title.empty() ? std::string() : title + "\n\n") + text + (dflt == QueryAnswerE::Yes ? c_YesDefault : c_NoDefault);
  for (int attempt = 0; attempt < c_MaxQueryAttempts; ++attempt) {
    const std::optional<std::string> line = console_->AskLine(prompt);
    if (!line) return dflt;  // no one to ask, or the input ended
    if (const std::optional<QueryAnswerE> answer = ParseQueryAnswer(*line, dflt)) return *answer;
  }
  return dflt;
}

std::unique_ptr<ProgressInteractionI> ngt_InteractionManagerC::CreateProgress(const std::string& title) {
  std::unique_ptr<ProgressViewI> view;
  if (console_->OutputIsTerminal()) view = std::make_unique<TerminalViewC>(console_);
  else view = std::make_unique<PlainViewC>(console_);
  auto window = std::make_unique<ProgressInteractionC>(title, std::move(view));
  window->SetShow(show_);
  return window;
}

void ngt_InteractionManagerC::Inform(const std::string& title, const std::string& text) {
  if (!show_) return;
  if (!text.empty()) {
    console_->Write((title.empty() ? std::string() : title + "\n") + text + "\n");
    return;
  }
  const ErrBufImplC* errors = getErrBuf();
  std::string shown;
  for (unsigned i = 0; i < errors->count(); ++i) shown += errors->get(i)->message() + "\n";
  if (!shown.empty()) console_->WriteError((title.empty() ? std::string() : title + "\n") + shown);
}

bool ngt_InteractionManagerC::SetCancelHandler(CancelHandlerFn handler) {
  cancel_ = handler;
  return true;
}

void ngt_InteractionManagerC::ProcessInput() {
  if (cancel_ != nullptr && trk::TakeStopSignal()) cancel_();
}
