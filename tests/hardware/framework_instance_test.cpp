// Instances, their property map and the conversions every provider shares.

#include "support/TestSupport.h"

#include "hardware/framework/HWClass_Unix.h"

namespace {

// Names ignore case, the last writer names the entry, and sorted names are in byte order.
TEST(PropertyMap, NamesIgnoreCaseAndSortInByteOrder) {
  PropertyMap map;
  map.put("Caption", "first");
  map.put("CAPTION", "second");
  EXPECT_EQ(map.get("caption"), "second");
  EXPECT_EQ(map.get("Missing"), "");
  for (const char* name : {"zeta", "Name", "alpha", "DeviceID", "IPv6Address", "IPAddress", "_x", "\xC3\x84rger"})
    map.put(name, "v");
  EXPECT_EQ(map.SortedNames(), (StringArrayC{"CAPTION", "DeviceID", "IPAddress", "IPv6Address", "Name", "_x", "alpha",
                                             "zeta", "\xC3\x84rger"}));
}

TEST(HWInstance, AddPropertyReplacesAnEntryOfTheSameNameInAnyCase) {
  RefM<HWInstance> instance(new HWInstance("TVK_Processor", "cpu0", ""));
  instance->AddProperty("NumberOfCores", "2");
  instance->AddProperty("numberofcores", "4");
  EXPECT_EQ(instance->GetProperties().size(), 1u);
  EXPECT_EQ(instance->GetProperty("NUMBEROFCORES"), "4");
}

// Firmware dates are month/day/year with two-digit years in a window, read as local midnight.
TEST(HWClass_Unix, ToIsoDateTime) {
  struct CaseT { const char* text; const char* iso; } cases[] = {
      {"", ""}, {"13/01/2009", ""}, {"1/2", ""}, {"1/2/3/4", ""}, {"00/10/2009", ""}, {"12/32/2009", ""},
      {"12/00/2009", ""}, {"ab/01/2009", ""},
      // A day the month does not have makes no date at all, not a bare time.
      {"02/29/2009", ""}, {"04/31/2010", ""}, {"02/29/2008", "20080229T000000"},
      {"12/31/71 10:00", "19711231T000000"}, {"01/01/99", "19990101T000000"}, {"03/17/2010", "20100317T000000"},
      {"2/9/05", "20050209T000000"}, {"06/30/2037", "20370630T000000"},
      // 70 is 2070, which lies past the last representable year and is clamped.
      {"01/01/70", "20380101T000000"},
      {"01/01/1969", "19700101T000000"},
      {"01/01/99999999999", "20380101T000000"},
  };
  for (const CaseT& c : cases) EXPECT_EQ(HWClass_Unix::ToIsoDateTime(c.text), c.iso) << c.text;
}

TEST(HWClass_Unix, ToStringCN) {
  struct CaseT { std::string bytes; unsigned length; HWClass_Unix::EncodingE encoding; const char* text; } cases[] = {
      {std::string("  SUNW,Sun-Fire  \0garbage", 25), 25, HWClass_Unix::Latin1, "SUNW,Sun-Fire"},
      {"i86pc-with-more", 5, HWClass_Unix::Latin1, "i86pc"},
      {"Caf\xE9", 4, HWClass_Unix::Latin1, "Caf\xC3\xA9"},
      {"Caf\xC3\xA9 ", 6, HWClass_Unix::Utf8, "Caf\xC3\xA9"},
      {"\t\n", 2, HWClass_Unix::Latin1, ""},
      {"", 0, HWClass_Unix::Latin1, ""},
  };
  for (const CaseT& c : cases) EXPECT_EQ(HWClass_Unix::ToStringCN(c.bytes.data(), c.length, c.encoding), c.text) << c.bytes;
  EXPECT_EQ(HWClass_Unix::ToStringCN(nullptr, 10, HWClass_Unix::Latin1), "");
}

}  // namespace
