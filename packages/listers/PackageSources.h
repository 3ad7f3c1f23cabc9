#pragma once
// What every package source needs beside its own format: reading the machine files it takes
// packages from, and running its package tool.
//
// hxtrack runs as root and reads these files for facts it writes into the inventory, so a
// file is taken only when nobody but its rightful owner can have put it there: it is opened
// without following a link at its last component and without blocking (a FIFO cannot stall
// the run), it must be a regular file owned by root, by the running user or by the one other
// user the caller names (the owner of the home directory it lies in), and writable by its
// owner alone. A file that fails counts as missing.
//
// A package tool runs through the package-tool runner (LANG=C, LC_ALL=C, no shell, input from
// /dev/null, the tool time limit and output caps). A tool the runner had to give up on, and a
// tool that exits with a status other than 0, leaves a log line with its command line; a tool
// whose output holds lines that cannot be read leaves a warning with their count.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/files/SafeFile.h"
#include "foundation/process/CommandLine.h"
#include "foundation/process/OutputStream.h"
#include "foundation/process/RunCommand.h"
#include "foundation/messages/TrackerMessages.h"

namespace trk {

// The largest registry, index or description file read whole.
constexpr size_t c_MaxPackageFile = size_t{16} << 20;
// No user other than root and the running user.
constexpr uid_t c_NoOtherOwner = static_cast<uid_t>(-1);

// Opens a package source's file as described above. 0 or an error-number result
// (EPERM for a file refused for its owner or mode).
HX_NODISCARD hx::ResultT OpenSourceFile(const std::string& path, hx::UniqueFdC* fd, uid_t alsoOwner = c_NoOtherOwner);
// Reads such a file whole, up to c_MaxPackageFile. False when it is missing, refused or larger.
HX_NODISCARD bool ReadSourceFile(const std::string& path, std::string* text, uid_t alsoOwner = c_NoOtherOwner);
// Hands every line of an open file to onLine, without its line end ("\n" or "\r\n"), as it is
// read, so that a large file (a contents file runs to tens of megabytes) is never held whole.
// A line longer than hx::c_MaxOutputLine is skipped. 0 or the read's error-number result.
HX_NODISCARD hx::ResultT ForEachLine(int fd, const std::function<void(std::string_view line)>& onLine);

// Runs a package tool with its output (and error output, when err is given) to the streams.
// The runner's failure, else 0 with *exitCode the tool's status. Both kinds of failure are
// logged (see above).
HX_NODISCARD hx::ResultT RunSourceTool(const CommandLineC& command, OutputStreamC* out, OutputStreamC* err, uint32_t* exitCode);
// The two halves of RunSourceTool, for a tool run on another thread (which logs nothing): the
// run, its error text thrown away, and then the log lines about how it ended, with the result
// RunSourceTool would give.
// Takes a tool's error output and keeps nothing of it.
class DiscardStreamC : public OutputStreamC {
 public:
  HX_NODISCARD hx::ResultT Write(const void*, size_t) override { return hx::RC_OK; }
};

HX_NODISCARD hx::ResultT RunSourceToolQuietly(const CommandLineC& command, OutputStreamC* out, uint32_t* exitCode, hx::ToolEndC* end);
HX_NODISCARD hx::ResultT ReportSourceTool(const CommandLineC& command, const hx::ToolEndC& end, hx::ResultT r, uint32_t exitCode);
// The warning about lines of a tool's output that could not be read (nothing for 0).
void LogUnreadableLines(const CommandLineC& command, size_t count);

constexpr hx::ResultT LOG_TOOL_EXIT = TrkMsg(0x0167);
constexpr const char* TXT_TOOL_EXIT = "\x01\x01" "e\x01" "ERROR: Command '%1$s' exited with code %2$u";
constexpr hx::ResultT LOG_TOOL_UNREADABLE = TrkMsg(0x0168);
constexpr const char* TXT_TOOL_UNREADABLE =
    "\x01\x01" "w\x01" "WARNING: Command '%1$s' printed %2$u line(s) that could not be read";

}  // namespace trk
