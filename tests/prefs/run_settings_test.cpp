// Settings that shape the run itself: its time stamp (DateTime) and the "trace" setting that
// switches the tracker's trace flags.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PrefsTestSupport.h"

namespace {

using P = TrkPreferencesC;

// The time stamp is formatted like every date of the inventory, into an 80-byte buffer: a format
// whose text does not fit there gives no time stamp rather than a cut one.
TEST(PrefsRunDateTime, FormatsWithinTheDateBuffer) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"%Y%m%dT%H%M%S", 15}, {"%Y", 4}, {std::string(79, 'x'), 79}, {std::string(80, 'x'), 0}, {"%c" + std::string(76, 'x'), 0}};
  for (const auto& [format, size] : cases) {
    hxprefs::LoadC load;
    ASSERT_EQ(load.Load({"-o", "DateTimeFormat=" + format}), hx::RC_OK);
    EXPECT_EQ(load.Value(P::c_DateTime).size(), size) << format;
  }
}

}  // namespace
