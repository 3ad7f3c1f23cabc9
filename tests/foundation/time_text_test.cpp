// ISO date and time texts: what a value writes, also when it is invalid, and the formats the
// run's time stamps use. (Reading such texts has no caller but its fuzz target.)

#include <time.h>

#include "foundation/messages/Errors.h"
#include "foundation/time/IsoDateTime.h"
#include "foundation/time/TimeMessages.h"
#include "support/TestSupport.h"

namespace {

// Runs a test in universal time so that local values have a known offset of 0.
class TimeTextTest : public ::testing::Test {
 protected:
  void SetUp() override { getErrBuf()->reset(); }
  void TearDown() override { getErrBuf()->reset(); }

 private:
  hxtest::ScopedTimeZoneC tz_{"UTC0"};
};

TEST_F(TimeTextTest, ToStringOfInvalidValuesWritesValidParts) {
  // message: the first report
  struct Case { IsoDateTimeC value; bool withOffset; hx::ResultT rc; const char* text; const char* message; };
  const Case cases[] = {
      {IsoDateTimeC(2009, 2, 30, 12, 0, 0, IsoTimeC::LocalTime, hx::c_NoOffset), false,
       hx::MSG_DATE_INVALID_TO_TEXT, "T120000", "Cannot convert invalid date 2009/02/30 to string"},
      {IsoDateTimeC(2009, 1, 1, 24, 0, 5, IsoTimeC::UniversalTime, hx::c_NoOffset), false,
       hx::MSG_TIME_INVALID_TO_TEXT, "20090101T", "Cannot convert invalid time 24:00: 5 to string"},
      {IsoDateTimeC(2009, 13, 1, 0, 61, 0, IsoTimeC::LocalTime, hx::c_NoOffset), false,
       hx::MSG_DATE_INVALID_TO_TEXT, "T", "Cannot convert invalid date 2009/13/01 to string"},
      // An unacceptable offset leaves the time invalid.
      {IsoDateTimeC(2009, 1, 1, 1, 0, 0, IsoTimeC::LocalTime, 2400), true, hx::MSG_TIME_INVALID_TO_TEXT,
       "20090101T", "Cannot convert invalid time 01:00: 0 to string"},
      {IsoDateTimeC(2009, 1, 1, 1, 2, 3, IsoTimeC::LocalTime, -130), true, 0, "20090101T010203-0130", ""},
      {IsoDateTimeC(2009, 1, 1, 1, 2, 3, IsoTimeC::LocalTime, 0), true, 0, "20090101T010203+0000", ""},
      {IsoDateTimeC(2009, 1, 1, 1, 2, 3, IsoTimeC::UniversalTime, 100), true, 0, "20090101T010203Z", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    getErrBuf()->reset();
    StringC text = "junk";
    EXPECT_EQ(c.value.toString(&text, c.withOffset), c.rc);
    EXPECT_EQ(text, c.text);
    const std::string first = getErrBuf()->count() ? getErrBuf()->get(0)->message() : "";
    EXPECT_EQ(first, c.message);
  }
}

TEST_F(TimeTextTest, FormatTime) {
  const IsoDateTimeC v(2009, 7, 4, 9, 5, 7, IsoTimeC::LocalTime, hx::c_NoOffset);
  EXPECT_EQ(v.FormatTime("%Y%m%dT%H%M%S"), "20090704T090507");
  EXPECT_EQ(v.FormatTime("%d.%m.%Y %H:%M (%j, %w)"), "04.07.2009 09:05 (185, 6)");
  // Longer than the 80-byte buffer: nothing.
  EXPECT_EQ(v.FormatTime(std::string(100, 'x')), "");
  // Latin-1 text survives the trip through the system encoding of the C locale.
  EXPECT_EQ(v.FormatTime("\xc3\xa9t\xc3\xa9 %Y"), "\xc3\xa9t\xc3\xa9 2009");
  IsoDateTimeC invalid(2009, 2, 30, 0, 0, 0, IsoTimeC::LocalTime, hx::c_NoOffset);
  EXPECT_EQ(invalid.FormatTime("%Y"), "");
}

}  // namespace
