#include "app/interaction/StatusInteractionManagers.h"

ngc_InteractionManagerC::ngc_InteractionManagerC(std::unique_ptr<ngt_InteractionManagerC> terminal)
    : terminal_(std::move(terminal)) {}

std::unique_ptr<ProgressInteractionI> ngq_InteractionManagerC::CreateProgress(const std::string& title) {
  return std::make_unique<ProgressInteractionC>(title, nullptr);
}
