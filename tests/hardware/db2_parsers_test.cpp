// The readers of the DB2 tools' output and the masking of db2users, on what the fixture
// machines do not show.

#include <gtest/gtest.h>

#include "hardware/unix/Db2Parsers.h"
#include "prefs/tracker/TrkSecretValues.h"

namespace {

using Format = hx::Db2PsFormatE;

TEST(Db2Parsers, OwnersOfTheEngineProcesses) {
  // owners: "!" and the bad row after them when the listing is refused
  const struct { const char* output; Format format; const char* owners; } cases[] = {
      // The line is split before anything is trimmed: a leading blank ends an empty owner.
      {"    USER COMMAND\ndb2inst1 db2sysc\n  db2fenc1 db2fmp\ndb2inst2\tdb2sysc\n db2inst3 db2sysc\n",
       Format::Columns, "db2inst1|db2inst2|"},
      {"a db2sysc\ndb2sysc \ndb2sysc\nb db2sysc\n", Format::Columns, "a|db2sysc!db2sysc"},
      {"db2inst1 db2sysc\n", Format::Colon, "!db2inst1 db2sysc"},
      {" db2 inst :db2sysc\n:db2sysc\n", Format::Colon, "db2 inst|"},
  };
  for (const auto& c : cases) {
    StringArrayC owners;
    StringC bad;
    const bool ok = hx::ReadDb2Owners(hx::SplitLines(c.output), c.format, owners, bad);
    EXPECT_EQ(hx::Join(owners, "|") + (ok ? "" : "!" + bad), c.owners) << c.output;
  }
}

TEST(Db2Parsers, InstallationTables) {
  // properties: of every row, rows ended by "/"
  const struct { const char* output; hx::Db2lsReadE read; const char* properties; } cases[] = {
      // Column names in any case and order; unknown columns and missing fields give nothing;
      // a time not between blanks is split like any other field.
      {"\n#vrmf:EXTRA:path:installtime\n9.1:x:/db2\n10.1::/db2b:12:00:00\n", hx::Db2lsReadE::Ok,
       "Version=9.1,InstallationPath=/db2,/Version=10.1,InstallationPath=/db2b,InstallationTime=12,/"},
      {"/opt/ibm/db2/V9.7:9.7.0.4\n#PATH:VRMF\n", hx::Db2lsReadE::NoHeader, ""},
  };
  for (const auto& c : cases) {
    hx::Db2lsTableC table;
    EXPECT_EQ(hx::ReadDb2lsTable(hx::SplitLines(c.output), table), c.read) << c.output;
    std::string text;
    for (const StringArrayC& row : table.rows) {
      for (const auto& [name, value] : hx::Db2InstallationProperties(table.columns, row)) text += name + "=" + value + ",";
      text += "/";
    }
    EXPECT_EQ(text, c.properties) << c.output;
  }
}

TEST(Db2Parsers, LicenceRecordsByPosition) {
  const std::pair<const char*, const char*> cases[] = {
      // Quotes and blanks go; a line without a key is no value; a record ends at empty lines.
      {"Product name: \"A B\"\nNotes\n  'License type': Trial  \n\n\nProduct name: C\n", "A B|Trial/C"},
      {"a:1\nb:2\nc:3\nd:4\ne:5\nf:6\ng:7\nh:8\ni:9\n:10\n", "1|2|3|4|5|6|7|8"},
      // A line of quotes alone is empty; a leading empty line leaves the first record empty.
      {"\"\"\nk: v\n", "/v"},
      {"", ""},
  };
  for (const auto& [output, expected] : cases) {
    StringArrayC records;
    for (const StringArrayC& record : hx::ReadDb2Licences(hx::SplitLines(output))) records.push_back(hx::Join(record, "|"));
    EXPECT_EQ(hx::Join(records, "/"), expected) << output;
  }
}

// What the log and the trace show of db2users: users and separators, never a password.
TEST(Db2Parsers, PasswordsAreMaskedWhereverDb2usersIsShown) {
  EXPECT_EQ(trk::MaskSecretArgument("-oDB2Users=db2inst1:pw1;shared pw, ,db2inst2:"),
            "-oDB2Users=db2inst1:***;***, ,db2inst2:***");
  EXPECT_EQ(trk::MaskSecretArgument("UserName=joe:x"), "UserName=joe:x");
}

}  // namespace
