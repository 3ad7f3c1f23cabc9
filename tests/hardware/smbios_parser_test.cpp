// Reading dmidecode output into SMBIOS records, and chassis type names into their numbers.

#include "foundation/core/Text.h"
#include "hardware/unix/SMBiosParser.h"
#include "support/TestSupport.h"

namespace {

SMBiosRecordsT Parse(const std::string& text) { return hx::ParseDmiDecodeOutput(hx::SplitLines(text)); }

// A record as "handle/type/name{name=value;...}".
std::string Describe(const SMBiosDataC& r) {
  std::string out = r.GetHandle() + "/" + std::to_string(r.GetType()) + "/" + r.GetName() + "{";
  for (const auto& [name, value] : r.GetValues()) out += name + "=" + value + ";";
  return out + "}";
}

std::string Describe(const SMBiosRecordsT& records) {
  std::string out;
  for (const RefM<SMBiosDataC>& r : records) out += Describe(*r) + "\n";
  return out;
}

TEST(DmiDecodeParse, RecordsFromOutput) {
  // The cases: dmidecode output, then its records as Describe shows them.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("dmidecode-records.txt"))
    EXPECT_EQ(Describe(Parse(c.texts.at(0))), c.texts.at(1)) << c.what;
}

// The older layout and output cut off in the middle of a record, then of a handle line.
TEST(DmiDecodeParse, HandWrittenFixtures) {
  const std::string data = HX_SOURCE_DIR "/tests/hardware/data/";
  EXPECT_EQ(Describe(Parse(hxtest::ReadFile(data + "dmidecode-old.txt"))),
            "0x0000/0/BIOS Information{Release Date=03/14/2005;Vendor=Award Software International, Inc.;"
            "Version=6.00 PG;}\n"
            "0x0003/3/Chassis Information{Manufacturer=Generic;Serial Number=0123456789;Type=Mini Tower;}\n");

  EXPECT_EQ(Describe(Parse(hxtest::ReadFile(data + "dmidecode-cut.txt"))),
            "0x0000/0/BIOS Information{Vendor=Dell Inc.;}\n"
            "0x0300/3/Chassis Information{Manufacturer=Dell Inc.;Type=Tow;}\n"
            "0x0400/-1/none{}\n");
}

TEST(DmiDecodeParse, CapturedOutput) {
  const std::string dir = HX_SOURCE_DIR "/../shared/fixtures/captured/dmidecode/";
  if (hxtest::ReadFile(dir + "vmware").empty()) GTEST_SKIP() << "no captured tool output here";
  struct { const char *file, *systemProduct, *chassisManufacturer, *chassisType; int chassisId; const char* chassisSerial; }
  cases[] = {
      {"S5000VSA", "MP Server", "Not Specified", "Rack Mount Chassis", 23, "Not Specified"},
      {"dell-r640", "PowerEdge R640", "Dell Inc.", "Rack Mount Chassis", 23, "2RJF153"},
      {"hp-dl360-gen8", "ProLiant DL360p Gen8", "HP", "Rack Mount Chassis", 23, "USE2236835"},
      {"lenovo-thinkpad", "1298A8G", "LENOVO", "Notebook", 10, "LR9NKZ7"},
      {"linux-2.6", "Latitude D610", "Dell Inc.", "Portable", 8, "D8XD62J"},
      {"oracle-server-6.7-oda", "ORACLE SERVER X5-2", "Oracle Corporation", "Main Server Chassis", 17, "1634NM1100"},
      {"oracle-server-x5-2", "ORACLE SERVER X5-2", "Oracle Corporation", "Main Server Chassis", 17, "1634NM1107"},
      {"rhel-6.2-vmware-2vcpus", "VMware Virtual Platform", "No Enclosure", "Other", 1, "None"},
      {"sun-x2200-m2", "Sun Fire X2200 M2", "Sun Microsystems", "Rack Mount Chassis", 23, "QTFCKS717058B"},
      {"vmware", "VMware Virtual Platform", "No Enclosure", "Other", 1, "None"},
      {"vmware-esx", "VMware Virtual Platform", "No Enclosure", "Other", 1, "None"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string text = hxtest::ReadFile(dir + c.file);
    const SMBiosRecordsT records = Parse(text);
    // Every structure the tool announces in its header is read, each with a type and a title.
    const size_t announced = text.find(" structures occupying");
    ASSERT_NE(announced, std::string::npos);
    const size_t lineStart = text.rfind('\n', announced) + 1;
    EXPECT_EQ(records.size(), std::strtoul(text.c_str() + lineStart, nullptr, 10));
    for (const RefM<SMBiosDataC>& r : records) {
      EXPECT_GE(r->GetType(), 0) << r->GetHandle();
      EXPECT_NE(r->GetName(), SMBiosDataC::c_NameUnknown) << r->GetHandle();
    }
    const SMBiosDataC* system = nullptr;
    const SMBiosDataC* chassis = nullptr;
    for (const RefM<SMBiosDataC>& r : records) {
      if (r->GetType() == 1 && !system) system = r.get();
      if (r->GetType() == 3 && !chassis) chassis = r.get();
    }
    ASSERT_TRUE(system && chassis);
    EXPECT_EQ(system->GetValue("Product Name"), c.systemProduct);
    EXPECT_EQ(chassis->GetName(), "Chassis Information");
    EXPECT_EQ(chassis->GetValue("Manufacturer"), c.chassisManufacturer);
    EXPECT_EQ(chassis->GetValue("Type"), c.chassisType);
    EXPECT_EQ(hx::ChassisNameToID(chassis->GetValue("Type")), c.chassisId);
    EXPECT_EQ(chassis->GetValue("Serial Number"), c.chassisSerial);
  }
}

// Arbitrary bytes are the fuzz target's; megabyte titles, values and handle lines are read whole.
TEST(DmiDecodeParse, MegabyteLines) {
  const std::string huge(1 << 20, 'a');
  const SMBiosRecordsT records = Parse("Handle 0x1, DMI type 1, 9 bytes\n" + huge + "\nKey: " + huge + "\n" +
                                       "Handle " + std::string(1 << 20, ',') + "\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->GetName(), huge);
  EXPECT_EQ(records[0]->GetValue("Key"), huge);
  EXPECT_EQ(records[1]->GetHandle(), "");
}

TEST(ChassisNames, NumbersOfTheNamesDmidecodePrints) {
  const std::pair<const char*, int> cases[] = {
      {"0", 0},           {"Other", 1},      {"Unknown", 2},           {"Desktop", 3},
      {"Tower", 7},       {"Notebook", 10},  {"Main Server Chassis", 17}, {"rack mount chassis", 23},
      {"RACK MOUNT CHASSIS", 23}, {"Sealed-case PC", 24}, {"Blade Enclosing", 29},
      {"Convertible", 2}, {"", 2},           {"Rack Mount Chassis ", 2},
  };
  for (const auto& [name, id] : cases) EXPECT_EQ(hx::ChassisNameToID(name), id) << name;
}

}  // namespace
