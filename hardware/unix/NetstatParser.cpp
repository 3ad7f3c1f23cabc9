#include "hardware/unix/NetstatParser.h"

#include <string_view>

namespace hx {
namespace {

constexpr std::string_view c_DefaultRoute = "default";
constexpr std::string_view c_AnyDestination = "0.0.0.0";
constexpr size_t c_GatewayColumn = 1;

}  // namespace

StringC FindDefaultGateway(const StringArrayC& lines) {
  for (const StringC& line : lines) {
    if (!StartsWith(line, c_DefaultRoute) && !StartsWith(line, c_AnyDestination)) continue;
    const StringArrayC words = SplitBlanks(line);
    return words.size() > c_GatewayColumn ? words[c_GatewayColumn] : StringC();
  }
  return StringC();
}

}  // namespace hx
