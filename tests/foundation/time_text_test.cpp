// ISO date and time texts: what is read, what each malformed text reports, and what a value
// writes, also when it is invalid.


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
  // The message of the last report, "" when nothing was reported.
  static std::string LastMessage() {
    ErrBufImplC* buf = getErrBuf();
    return buf->count() ? buf->get(buf->count() - 1)->message() : std::string();
  }

 private:
  hxtest::ScopedTimeZoneC tz_{"UTC0"};
};

TEST_F(TimeTextTest, ParseDateTimeTable) {
  struct Case {
    const char* text;
    bool lenient;
    hx::ResultT rc;
    const char* message;  // the reported message, or the text written back on success
  };
  const Case cases[] = {
      {"20091231T235959Z", false, 0, "20091231T235959Z"},
      {"20091231T235959", false, 0, "20091231T235959"},
      {"2009-12-31 12:30", true, 0, "20091231T123000"},
      {"2009-12-31T12:30:45", true, 0, "20091231T123045"},
      {"20091231T1230Z", true, 0, "20091231T123000Z"},
      {"20080229T000000", false, 0, "20080229T000000"},
      {"2009-12-31 12:30", false, hx::MSG_DATETIME_NO_SEPARATOR,
       "Date-Time string '2009-12-31 12:30' formatted incorrectly, missing time separator character"},
      {"20091231", true, hx::MSG_DATETIME_NO_SEPARATOR,
       "Date-Time string '20091231' formatted incorrectly, missing time separator character"},
      {"20090229T120000", false, hx::MSG_DATE_NOT_VALID, "Date '20090229' is not valid."},
      {"21000229T120000", false, hx::MSG_DATE_NOT_VALID, "Date '21000229' is not valid."},
      {"2009-12-31T120000", false, hx::MSG_DATE_BAD_LENGTH,
       "Date '2009-12-31' is formatted incorrectly, 10 characters but must be 8 characters"},
      {"T120000", true, hx::MSG_DATE_BAD_LENGTH,
       "Date '' is formatted incorrectly, 0 characters but must be 8 characters"},
      {"2009x231T120000", false, hx::MSG_DATE_NOT_NUMERIC,
       "Date '2009x231' formatted incorrectly, not numeric at character 5"},
      {"20091231T123045+1", false, hx::MSG_TIME_BAD_LENGTH,
       "Time '123045+1' is formatted incorrectly, 8 characters but must be 6, 7 or 11 characters"},
      {"20091231T12a045", false, hx::MSG_TIME_NOT_NUMERIC,
       "Time '12a045' formatted incorrectly, not numeric at character 3"},
      {"20091231T123045X", false, hx::MSG_TIME_BAD_ZONE,
       "Time '123045X' formatted incorrectly, timezone is invalid"},
      {"20091231T123045+2400", false, hx::MSG_TIME_BAD_ZONE,
       "Time '123045+2400' formatted incorrectly, timezone is invalid"},
      {"20091231T126000Z", false, hx::MSG_TIME_NOT_VALID, "Time '126000Z' is not valid."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    getErrBuf()->reset();
    IsoDateTimeC v;
    const hx::ResultT rc = v.fromString(c.text, c.lenient);
    EXPECT_EQ(rc, c.rc);
    if (rc == 0) {
      StringC back;
      EXPECT_EQ(v.toString(&back), 0);
      EXPECT_EQ(back, c.message);
      EXPECT_EQ(getErrBuf()->count(), 0u);
    } else {
      EXPECT_EQ(LastMessage(), c.message);
      ASSERT_GE(getErrBuf()->count(), 1u);
      EXPECT_EQ(getErrBuf()->get(0)->severity(), ErrSevError);
    }
  }
}

TEST_F(TimeTextTest, LenientTimeFormsAndExplicitOffsets) {
  struct Case {
    const char* text;
    const char* withOffset;  // toString with the offset
    int32_t offsetMinutes;
    bool offsetGiven;
  };
  const Case cases[] = {
      {"123045+1", "123045+1000", 600, true},
      {"12:30:45+01:00", "123045+0100", 60, true},
      {"12:30-0130", "123000-0130", -90, true},
      {"1230", "123000+0000", 0, false},
      {"12", "120000+0000", 0, false},
      {"123045Z", "123045Z", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    IsoTimeC t;
    ASSERT_EQ(t.fromString(c.text, true), 0) << LastMessage();
    StringC text;
    EXPECT_EQ(t.toString(&text, true), 0);
    EXPECT_EQ(text, c.withOffset);
    EXPECT_EQ(t.offset(), c.offsetMinutes);
    EXPECT_EQ(t.offsetGiven(), c.offsetGiven);
  }
}

TEST_F(TimeTextTest, ToStringOfInvalidValuesWritesValidParts) {
  struct Case {
    IsoDateTimeC value;
    bool withOffset;
    hx::ResultT rc;
    const char* text;
    const char* message;  // the first report
  };
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
