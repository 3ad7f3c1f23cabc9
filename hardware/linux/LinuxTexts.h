#pragma once
// The text formats of the files the Linux providers read, as pure functions
// (each has a fuzz target): /etc/os-release, /proc/meminfo, /proc/stat.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace hxlinux {

// The assignments of an os-release file: NAME=value lines, the value unquoted
// as the shell would ("..." with \", \\, \$ and \` escapes, '...' as it stands,
// or a bare word); comments, blank lines and lines that are no assignment are
// skipped.
std::map<std::string, std::string> ParseOsRelease(std::string_view text);

// A "<Key>:  <number> kB" line of /proc/meminfo in bytes; -1 when there is no
// such line.
int64_t MeminfoBytes(std::string_view text, std::string_view key);

// The "btime <seconds>" line of /proc/stat: the boot time in seconds since the
// epoch, or -1.
int64_t BootTime(std::string_view procStat);

}  // namespace hxlinux
