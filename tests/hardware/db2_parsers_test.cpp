// The readers of the DB2 tools' output: process rows, db2ls tables and db2licm records.

#include <gtest/gtest.h>

#include "hardware/unix/Db2Parsers.h"
#include "prefs/tracker/TrkSecretValues.h"

namespace {

using hx::Db2lsReadE;
using hx::Db2PsFormatE;

std::string Joined(const StringArrayC& items) { return hx::Join(items, "|"); }

TEST(Db2Parsers, OwnersOfTheEngineProcesses) {
  struct CaseT {
    const char* output;
    Db2PsFormatE format;
    bool ok;
    const char* owners;
    const char* badRow;
  } cases[] = {
      {"    USER COMMAND\n    root sched\ndb2inst1 db2sysc\n  db2fenc1 db2fmp\n db2inst2\tdb2sysc\n",
       Db2PsFormatE::Columns, true, "db2inst1|db2inst2", ""},
      // The same owner twice is listed twice.
      {"USER    :COMMAND\ndb2inst1:db2sysc\nroot    :bash\ndb2inst1:db2sysc\n", Db2PsFormatE::Colon, true,
       "db2inst1|db2inst1", ""},
      // A Linux row split at blanks would give the whole row; the colon format splits at ':'.
      {"db2 inst:db2sysc\n", Db2PsFormatE::Colon, true, "db2 inst", ""},
      {"db2inst1 db2sysc\n", Db2PsFormatE::Colon, false, "", "db2inst1 db2sysc"},
      {"a db2sysc\ndb2sysc\nb db2sysc\n", Db2PsFormatE::Columns, false, "a", "db2sysc"},
      {":db2sysc\n", Db2PsFormatE::Colon, false, "", ":db2sysc"},
      {"", Db2PsFormatE::Columns, true, "", ""},
  };
  for (const CaseT& c : cases) {
    StringArrayC owners;
    StringC bad;
    EXPECT_EQ(hx::ReadDb2Owners(hx::SplitLines(c.output), c.format, owners, bad), c.ok) << c.output;
    EXPECT_EQ(Joined(owners), c.owners) << c.output;
    EXPECT_EQ(bad, c.badRow) << c.output;
  }
}

// Each row as "Property=Value,..." of the installation properties, rows separated by "/".
std::string Installations(const hx::Db2lsTableC& table) {
  std::string text;
  for (const StringArrayC& row : table.rows) {
    for (const auto& [name, value] : hx::Db2InstallationProperties(table.columns, row)) text += name + "=" + value + ",";
    text += "/";
  }
  return text;
}

TEST(Db2Parsers, InstallationTables) {
  struct CaseT {
    const char* output;
    Db2lsReadE read;
    const char* installations;
  } cases[] = {
      {"#PATH:VRMF:FIXPACK:SPECIAL:INSTALLTIME:INSTALLERUID\n"
       "/opt/ibm/db2/V9.7:9.7.0.4:4::Thu Jun 11 10:23:45 2009 CDT :0\n\n"
       "/opt/ibm/db2/V10.5:10.5.0.8:8:s1:Mon Jan  2 09:01:02 2017 UTC :1001\n",
       Db2lsReadE::Ok,
       "InstallationPath=/opt/ibm/db2/V9.7,Version=9.7.0.4,FixPack=4,"
       "InstallationTime=Thu Jun 11 10:23:45 2009 CDT ,InstallationUserID=0,/"
       "InstallationPath=/opt/ibm/db2/V10.5,Version=10.5.0.8,FixPack=8,Special=s1,"
       "InstallationTime=Mon Jan  2 09:01:02 2017 UTC ,InstallationUserID=1001,/"},
      // Column names in any case and order; unknown columns and missing fields give nothing;
      // a time that is not between blanks is split like any other field.
      {"\n#vrmf:EXTRA:path:installtime\n9.1:x:/db2\n10.1::/db2b:12:00:00\n", Db2lsReadE::Ok,
       "Version=9.1,InstallationPath=/db2,/Version=10.1,InstallationPath=/db2b,InstallationTime=12,/"},
      {"#PATH:VRMF\n", Db2lsReadE::Ok, ""},
      {"/opt/ibm/db2/V9.7:9.7.0.4\n#PATH:VRMF\n", Db2lsReadE::NoHeader, ""},
  };
  for (const CaseT& c : cases) {
    hx::Db2lsTableC table;
    EXPECT_EQ(hx::ReadDb2lsTable(hx::SplitLines(c.output), table), c.read) << c.output;
    EXPECT_EQ(Installations(table), c.installations) << c.output;
  }
}

TEST(Db2Parsers, ProductRowsKeepEmptyFields) {
  hx::Db2lsTableC table;
  ASSERT_EQ(hx::ReadDb2lsTable({"#PATH:PRODUCT:VRMF:FIXPACK:SPECIAL:NAME", "/opt/db2:ESE:9.7.0.4:::Enterprise: Server"},
                               table),
            Db2lsReadE::Ok);
  ASSERT_EQ(table.rows.size(), 1u);
  const hx::Db2PropertiesT expected{{"Product", "ESE"}, {"Version", "9.7.0.4"}, {"Name", "Enterprise"}};
  EXPECT_EQ(hx::Db2ProductProperties(table.columns, table.rows[0]), expected);
}

TEST(Db2Parsers, LicenceRecordsByPosition) {
  struct CaseT {
    const char* output;
    const char* records;  // values joined by "|", records by "/"
  } cases[] = {
      {"Product name:   \"DB2 Enterprise Server Edition\"\nLicense type:  \"CPU Option\"\n"
       "Expiry date: \"Permanent\"\n\n\nProduct name: 'DB2 Connect'\nNotes\n  License type: Trial  \n",
       "DB2 Enterprise Server Edition|CPU Option|Permanent/DB2 Connect|Trial"},
      // An extra "key: value" line moves the names: its value becomes the third one.
      {"Product name: A\nLicense type: B\nWarning: see log\nExpiry date: C\n", "A|B|see log|C"},
      {"a:1\nb:2\nc:3\nd:4\ne:5\nf:6\ng:7\nh:8\ni:9\n:10\n", "1|2|3|4|5|6|7|8"},
      // A line of quotes alone is empty; a leading empty line leaves the first record empty.
      {"\"\"\nk: v\n", "/v"},
      {"", ""},
      {"no colon here\n", ""},
  };
  for (const CaseT& c : cases) {
    StringArrayC records;
    for (const StringArrayC& record : hx::ReadDb2Licences(hx::SplitLines(c.output))) records.push_back(Joined(record));
    EXPECT_EQ(hx::Join(records, "/"), c.records) << c.output;
  }
}

// What the log and the trace show of db2users: users, separators, never a password.
TEST(Db2Parsers, PasswordsAreMaskedWhereverDb2usersIsShown) {
  const std::pair<const char*, const char*> arguments[] = {
      {"-oDB2Users=db2inst1:pw1;shared pw, ,db2inst2:", "-oDB2Users=db2inst1:***;***, ,db2inst2:***"},
      {"db2users=:x:y", "db2users=:***"},
      {"db2users=", "db2users="},
      {"UserName=joe:x", "UserName=joe:x"},
      {"-o", "-o"},
  };
  for (const auto& [argument, shown] : arguments) EXPECT_EQ(trk::MaskSecretArgument(argument), shown) << argument;
  EXPECT_EQ(trk::MaskDB2UsersValue("a:b;c"), "a:***;***");
}

}  // namespace
