#pragma once
// InteractionManagerI: how the run reaches a person. The progress object picks one by the
// interaction level: the terminal manager asks questions on the console, draws the status and
// offers cancellation by Ctrl-C (FULL); the status manager draws over the terminal manager
// without asking or cancelling (STATUS, AUTO); the quiet manager shows nothing and answers
// every question with its default (QUIET).

#include <memory>
#include <string>
#include <string_view>

#include "app/interaction/ProgressInteraction.h"

enum class QueryAnswerE { Yes, No };

class InteractionManagerI {
 public:
  using CancelHandlerFn = void (*)();

  virtual ~InteractionManagerI() = default;

  // Asks a yes/no question; a manager that cannot or must not ask answers `dflt`.
  virtual QueryAnswerE Query(const std::string& title, const std::string& text, QueryAnswerE dflt) = 0;
  // A status window with this title. The caller owns it and lets it go before the manager.
  virtual std::unique_ptr<ProgressInteractionI> CreateProgress(const std::string& title) = 0;
  // An information message; with an empty text, the messages of the thread's error buffer.
  virtual void Inform(const std::string& title, const std::string& text) = 0;
  // Installs `handler` for a person's request to cancel (null removes it). False when this
  // manager offers no cancellation.
  virtual bool SetCancelHandler(CancelHandlerFn handler) = 0;
  // Processes pending input, calling the cancel handler for a cancel request.
  virtual void ProcessInput() = 0;
  virtual void SetShow(bool show) = 0;
  virtual bool GetShow() const = 0;
  // Whether this manager's status windows are drawn in place on a terminal: only then is a
  // running count worth forming (a pipe, a file and cron mail get the finished steps alone).
  virtual bool DrawsInPlace() const { return false; }
};

enum class InteractionLevelE { None, Full, Status, Quiet };

// The level a value of UserInteractionLevel names, in any case: FULL, STATUS or AUTO, QUIET;
// anything else is None.
InteractionLevelE ParseInteractionLevel(std::string_view value);
// The manager of a level (null for None), over the interaction console (trk::InteractionConsole).
std::unique_ptr<InteractionManagerI> MakeInteractionManager(InteractionLevelE level);
