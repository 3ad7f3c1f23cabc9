#pragma once
// Reading what the DB2 tools print: the process listing (who owns a running db2sysc), the
// colon-separated tables of `db2ls -c` (installations) and `db2ls -c -p -q -b <path>`
// (products of one installation), and the licence records of `db2licm -l`. Pure functions
// over text, so that any output, however odd, can be checked without running a tool.

#include <utility>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

namespace hx {

// ---- the process listing ----

// How the listing separates the user from the command: Solaris prints columns ("ps -o user
// -o comm"), AIX and Linux print the "%u:%c" format.
enum class Db2PsFormatE { Columns, Colon };

// The owners of the db2sysc processes, one entry per matching line in output order (an owner
// with two engines is listed twice). A line holding "db2sysc" is trimmed and split at its
// first blank or tab (Columns) or ":" (Colon); the part before it, trimmed, is the owner. A
// line without that separator, or with nothing before it, is not in the expected form: false,
// with that line in `badRow` (the owners found before it stay in `owners`).
HX_NODISCARD bool ReadDb2Owners(const StringArrayC& lines, Db2PsFormatE format, StringArrayC& owners, StringC& badRow);

// ---- db2ls tables ----

enum class Db2lsReadE {
  Ok,
  NoHeader,    // the first non-empty line does not begin with "#"
  BadPattern,  // the time pattern could not be compiled (patternError says why)
};

struct Db2lsTableC {
  StringArrayC columns;             // the header's names, without the "#"
  std::vector<StringArrayC> rows;   // one per further non-empty line
  int patternError = 0;             // regcomp's error with BadPattern
};

// Reads a db2ls table: empty lines are skipped; every line is split at ":" with empty fields
// kept, after the ":" of a time of day standing between blanks (" 10:23:45 ") have been turned
// into ";" so that a time inside a date stays in its column. The first line must begin with
// "#" and names the columns.
Db2lsReadE ReadDb2lsTable(const StringArrayC& lines, Db2lsTableC& table);

// (property, value) pairs in column order.
using Db2PropertiesT = std::vector<std::pair<StringC, StringC>>;

// The installation properties of one `db2ls -c` row, for each known column with a value
// (column names compared ignoring case): PATH "InstallationPath", VRMF "Version", FIXPACK
// "FixPack", SPECIAL "Special", INSTALLTIME "InstallationTime" (its ";" back to ":"),
// INSTALLERUID "InstallationUserID". A row shorter than the header lacks the last columns.
Db2PropertiesT Db2InstallationProperties(const StringArrayC& columns, const StringArrayC& row);
// The product properties of one `db2ls -c -p -q -b` row: PRODUCT "Product", VRMF "Version",
// FIXPACK "FixPack", NAME "Name".
Db2PropertiesT Db2ProductProperties(const StringArrayC& columns, const StringArrayC& row);

// The column names and property names that the provider looks up itself.
constexpr const char* c_Db2PathColumn = "PATH";
constexpr const char* c_Db2InstallationPath = "InstallationPath";
constexpr const char* c_Db2InstallationUserID = "InstallationUserID";

// ---- db2licm -l ----

// The licence properties, by the position of a "key: value" line within its record.
constexpr size_t c_Db2LicenceFields = 8;
extern const char* const c_Db2LicenceProperties[c_Db2LicenceFields];

// The records of `db2licm -l`, each the values of its first eight "key: value" lines in
// order. Every line is trimmed of blanks, tabs, line ends and quotes first; an empty line
// ends a record and the next non-empty line starts a new one. A line counts as "key: value"
// when it has a ":" after its first character; the value is the text after that ":",
// trimmed the same way, whatever the key says. There is always a first record, empty when
// nothing was printed.
std::vector<StringArrayC> ReadDb2Licences(const StringArrayC& lines);

// ---- the db2users preference ----

// The password for `owner` among the db2users entries: its own "user:password" entry (the
// user compared ignoring case), else the first entry that is a password alone (then *shared,
// when given, is set). false when there is neither.
HX_NODISCARD bool FindDb2Password(const StringArrayC& entries, const StringC& owner, StringC& password, bool* shared = nullptr);

}  // namespace hx
