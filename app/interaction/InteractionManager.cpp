#include "app/interaction/InteractionManager.h"

#include "app/interaction/Console.h"
#include "app/interaction/StatusInteractionManagers.h"
#include "foundation/core/Text.h"

namespace {

constexpr const char* c_LevelFull = "FULL";
constexpr const char* c_LevelStatus = "STATUS";
constexpr const char* c_LevelAuto = "AUTO";
constexpr const char* c_LevelQuiet = "QUIET";

}  // namespace

InteractionLevelE ParseInteractionLevel(std::string_view value) {
  if (hx::EqualsNoCase(value, c_LevelFull)) return InteractionLevelE::Full;
  if (hx::EqualsNoCase(value, c_LevelStatus) || hx::EqualsNoCase(value, c_LevelAuto)) return InteractionLevelE::Status;
  if (hx::EqualsNoCase(value, c_LevelQuiet)) return InteractionLevelE::Quiet;
  return InteractionLevelE::None;
}

std::unique_ptr<InteractionManagerI> MakeInteractionManager(InteractionLevelE level) {
  switch (level) {
    case InteractionLevelE::Full:
      return std::make_unique<ngt_InteractionManagerC>(trk::InteractionConsole());
    case InteractionLevelE::Status:
      return std::make_unique<ngc_InteractionManagerC>(
          std::make_unique<ngt_InteractionManagerC>(trk::InteractionConsole()));
    case InteractionLevelE::Quiet:
      // Nothing of the console is used: it is not even opened.
      return std::make_unique<ngq_InteractionManagerC>();
    case InteractionLevelE::None:
      break;
  }
  return nullptr;
}
