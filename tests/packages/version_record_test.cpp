#include <gtest/gtest.h>

#include <string>

#include "packages/model/PackageRecord.h"
#include "packages/model/PackageVersion.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(PackageVersionTest, ParsesEpochVersionAndRelease) {
  struct CaseT { const char *text, *epoch, *version, *release, *full, *shortForm; } cases[] = {
      {" 2:1.4.7-3\r\n", "2", "1.4.7", "3", "2:1.4.7-3", "1.4.7-3"},
      {"1.4.7", "", "1.4.7", "", "1.4.7", "1.4.7"},
      {"1.0-beta-2", "", "1.0-beta", "2", "1.0-beta-2", "1.0-beta-2"},
      {"-5", "", "-5", "", "-5", "-5"},
      {"a:1.0", "", "a:1.0", "", "a:1.0", "a:1.0"},
      {":1.0", "", ":1.0", "", ":1.0", ":1.0"},
      {"7:", "7", "", "", "7:", ""},
      {"", "", "", "", "", ""},
  };
  for (const CaseT& c : cases) {
    const PackageVersionC v(c.text);
    EXPECT_EQ(v.epoch(), c.epoch) << c.text;
    EXPECT_EQ(v.version(), c.version) << c.text;
    EXPECT_EQ(v.release(), c.release) << c.text;
    EXPECT_EQ(v.asString(true), c.full) << c.text;
    EXPECT_EQ(v.asString(false), c.shortForm) << c.text;
  }
  EXPECT_EQ(PackageVersionC(" 2:1.0-3 ", PackageVersionC::c_Plain).asString(true), "2:1.0-3");
}

TEST(PackageVersionTest, OrdersLikePackageTools) {
  struct CaseT { const char *a, *b; int order; } cases[] = {
      {"1.10", "1.9", 1}, {"1.0a", "1.0", 1},     {"2:1.0", "1:9.0", 1}, {"1.0-2", "1.0-10", -1},
      {"01.2", "1.2", 0}, {"1..2", "1.2", 0},     {"1.0", "1.0.0", -1},  {"1.a", "1.1", 1},
      {"5:1", "1", 1},    {"1.abc", "1.abd", -1}, {"1.0-r2", "1.0-r1", 1}};
  for (const CaseT& c : cases) {
    EXPECT_EQ(Sign(PackageVersionC(c.a).compare(PackageVersionC(c.b))), c.order) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(PackageVersionC(c.b).compare(PackageVersionC(c.a))), -c.order) << c.b << " vs " << c.a;
  }
}

TEST(PackageRecordTest, RoundTripsAndRefusesShortBytes) {
  const trk::PackageRecordT record{"SUNPKG", "SUNWcsu", "11.10.0-2005.01.21"};
  const std::string bytes = trk::SerialisePackageRecord(record);
  EXPECT_EQ(bytes, std::string("\x06\x00SUNPKG\x07\x00SUNWcsu\x12\x00" "11.10.0-2005.01.21", 37));
  trk::PackageRecordT back;
  ASSERT_TRUE(trk::DeserialisePackageRecord(bytes + "trailing", &back));
  EXPECT_EQ(back.type + "|" + back.name + "|" + back.version, "SUNPKG|SUNWcsu|11.10.0-2005.01.21");
  for (size_t cut : {size_t{0}, size_t{1}, size_t{7}, bytes.size() - 1})
    EXPECT_FALSE(trk::DeserialisePackageRecord(bytes.substr(0, cut), &back)) << cut;
  EXPECT_EQ(trk::SerialisePackageRecord({"IPS", std::string(trk::c_MaxRecordField + 1, 'n'), "1"}), "");
  EXPECT_EQ(trk::SerialisePackageRecord({"IPS", std::string(trk::c_MaxRecordField, 'n'), "1"}).size(),
            trk::c_MaxRecordField + 10);
}

}  // namespace
