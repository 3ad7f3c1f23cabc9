// Values in universal and local time: the 1970/2038 clamp, moves between the zones across
// carries and daylight saving, and the current time.


#include <time.h>

#include "foundation/messages/Errors.h"
#include "foundation/time/IsoDateTime.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr auto kLocal = IsoTimeC::LocalTime;
constexpr auto kUtc = IsoTimeC::UniversalTime;
constexpr int32_t kNone = hx::c_NoOffset;

using ScopedTz = hxtest::ScopedTimeZoneC;

std::string Text(const IsoDateTimeC& v) {
  StringC s;
  EXPECT_EQ(v.toString(&s), 0);
  return s;
}

time_t Utc(int y, int mo, int d, int h, int mi, int s) { return hxtest::TimeOf(true, y, mo, d, h, mi, s); }

TEST(TimeZone, EpochAndClampedYears) {
  ScopedTz tz(kCentralEurope);
  IsoDateTimeC epoch;
  epoch.Set(time_t{0});
  EXPECT_EQ(Text(epoch), "19700101T000000Z");

  struct Case { IsoDateTimeC value; const char* text; };
  const Case cases[] = {
      {IsoDateTimeC(2040, 5, 1, 10, 20, 30, kLocal, kNone), "20380101T000000"},
      {IsoDateTimeC(2038, 1, 1, 0, 0, 1, kUtc, kNone), "20380101T000000"},
      {IsoDateTimeC(1969, 7, 1, 12, 0, 0, kLocal, kNone), "19700101T000000"},
      {IsoDateTimeC(1, 1, 1, 0, 0, 0, kUtc, 100), "19700101T000000"},
      {IsoDateTimeC(2037, 12, 31, 23, 59, 59, kUtc, kNone), "20371231T235959Z"},
      {IsoDateTimeC(1970, 1, 1, 0, 0, 0, kUtc, kNone), "19700101T000000Z"},
      {IsoDateTimeC(), "20000101T000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(c.value), c.text);
  // A clamped value has no explicit offset any more: the local standard offset replaces it.
  EXPECT_EQ(IsoDateTimeC(2040, 5, 1, 0, 0, 0, kLocal, 500).time().offset(), 60);
}

TEST(TimeZone, UniversalToLocalAndBack) {
  ScopedTz tz(kCentralEurope);
  struct Case { time_t utc; const char* local; bool daylight; };
  const Case cases[] = {
      {Utc(2009, 12, 31, 23, 30, 0), "20100101T003000", false},  // carries into the next year
      {Utc(2009, 7, 1, 12, 0, 0), "20090701T140000", true},       // summer
      {Utc(2009, 2, 28, 23, 0, 0), "20090301T000000", false},     // across the month end
      {Utc(2008, 2, 28, 23, 0, 0), "20080229T000000", false},     // leap day
      {Utc(2009, 10, 25, 0, 59, 59), "20091025T025959", true},    // last second of summer time
      {Utc(2009, 10, 25, 1, 0, 0), "20091025T020000", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.local);
    IsoDateTimeC v;
    v.Set(c.utc);
    EXPECT_EQ(v.time().daylightSaving(), c.daylight);
    ASSERT_EQ(v.SetTimezone(kLocal, kNone), 0);
    EXPECT_EQ(Text(v), c.local);
    time_t back = 0;
    ASSERT_EQ(v.Get(&back), 0);
    EXPECT_EQ(back, c.utc);
    // And back to universal time, across the same carries.
    ASSERT_EQ(v.SetTimezone(kUtc, kNone), 0);
    IsoDateTimeC expected;
    expected.Set(c.utc);
    EXPECT_EQ(Text(v), Text(expected));
  }
}

TEST(TimeZone, LocalValuesTakeDaylightSavingFromTheRules) {
  ScopedTz tz(kCentralEurope);
  struct Case { IsoDateTimeC value; bool daylight; time_t utc; };
  const Case cases[] = {
      {IsoDateTimeC(2009, 7, 1, 14, 0, 0, kLocal, kNone), true, Utc(2009, 7, 1, 12, 0, 0)},
      {IsoDateTimeC(2009, 1, 1, 0, 30, 0, kLocal, kNone), false, Utc(2008, 12, 31, 23, 30, 0)},
      // An explicit offset keeps its marks and names the moment by itself.
      {IsoDateTimeC(2009, 7, 1, 14, 0, 0, kLocal, -130), false, Utc(2009, 7, 1, 15, 30, 0)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value.time().daylightSaving(), c.daylight);
    time_t t = 0;
    ASSERT_EQ(c.value.Get(&t), 0);
    EXPECT_EQ(t, c.utc);
  }
}

TEST(TimeZone, CurrentTime) {
  ScopedTz tz(kCentralEurope);
  const time_t before = std::time(nullptr);
  IsoDateTimeC local, utc;
  local.SetCurrent(kLocal, kNone);
  utc.SetCurrent(kUtc, kNone);
  const time_t after = std::time(nullptr);
  for (const IsoDateTimeC* v : {&local, &utc}) {
    time_t t = 0;
    ASSERT_EQ(v->Get(&t), 0);
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
  }
}

}  // namespace
