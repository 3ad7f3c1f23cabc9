#pragma once
// The managers of the unattended levels. ngc_InteractionManagerC shows what the terminal
// manager under it shows but never asks (every question takes its default) and offers no
// cancellation. ngq_InteractionManagerC shows nothing at all: its status windows keep their
// lists for the run but print nothing, and every question takes its default.

#include <memory>

#include "app/interaction/InteractionManager.h"
#include "app/interaction/TerminalInteractionManager.h"

class ngc_InteractionManagerC : public InteractionManagerI {
 public:
  explicit ngc_InteractionManagerC(std::unique_ptr<ngt_InteractionManagerC> terminal);

  QueryAnswerE Query(const std::string&, const std::string&, QueryAnswerE dflt) override { return dflt; }
  std::unique_ptr<ProgressInteractionI> CreateProgress(const std::string& title) override {
    return terminal_->CreateProgress(title);
  }
  void Inform(const std::string& title, const std::string& text) override { terminal_->Inform(title, text); }
  bool SetCancelHandler(CancelHandlerFn) override { return false; }
  void ProcessInput() override {}
  void SetShow(bool show) override { terminal_->SetShow(show); }
  bool GetShow() const override { return terminal_->GetShow(); }
  bool DrawsInPlace() const override { return terminal_->DrawsInPlace(); }

 private:
  std::unique_ptr<ngt_InteractionManagerC> terminal_;
};

class ngq_InteractionManagerC : public InteractionManagerI {
 public:
  QueryAnswerE Query(const std::string&, const std::string&, QueryAnswerE dflt) override { return dflt; }
  std::unique_ptr<ProgressInteractionI> CreateProgress(const std::string& title) override;
  void Inform(const std::string&, const std::string&) override {}
  bool SetCancelHandler(CancelHandlerFn) override { return false; }
  void ProcessInput() override {}
  void SetShow(bool) override {}
  bool GetShow() const override { return false; }
};
