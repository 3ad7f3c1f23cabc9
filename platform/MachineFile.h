#pragma once
// Reading the text files that describe the machine: the fixed files of the system (/proc,
// /sys, /etc/zones/index) and the machine snapshot under "<root>/.snapshot/" that stands for
// the interfaces Solaris offers only as library calls.
//
// hxtrack runs as root and these files may sit where other users write, so every read is
// bounded and careful: the file is opened without following a final link and without blocking,
// it must be a regular file owned by root or by the running user and writable by nobody else
// (a file of Linux's /proc is the kernel's, whoever owns it), and a file larger than
// c_MaxMachineFile is refused. A refused file counts as missing.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/core/Nodiscard.h"

namespace hx {

// The largest machine file read; far above any real kstat or device tree dump.
constexpr size_t c_MaxMachineFile = 16u * 1024u * 1024u;

// Reads a fixed path of the machine (mapped under the system root when one is set). False when
// the file is missing, unreadable or refused.
HX_NODISCARD bool ReadMachineFile(std::string_view fixedPath, std::string& text);
// The same for a path taken as it is (a path found below a fixed one, such as a device
// attribute below /sys/block).
HX_NODISCARD bool ReadHostFile(const std::string& path, std::string& text);

// True when the machine's interfaces answer from a snapshot: a system root is set. Then a
// missing snapshot file means the interface is not available; the build host is never asked.
bool MachineFromSnapshot();

// Reads "<root>/.snapshot/<name>". False without a system root or when the file is missing,
// unreadable or refused.
HX_NODISCARD bool ReadSnapshotFile(std::string_view name, std::string& text);

// The first word of a snapshot line (up to a blank or tab) and the rest after the blanks that
// follow it, trimmed. Pure.
void SplitFirstWord(std::string_view line, std::string_view& word, std::string_view& rest);

using NameValuesT = std::vector<std::pair<std::string, std::string>>;

// The "name=value" lines of a text, name and value trimmed of blanks; lines without "=" and
// lines whose name is empty are skipped. Pure.
NameValuesT ParseNameValues(std::string_view text);

// The value of the last pair named `name` (a later line overrides an earlier one, as in the
// uname snapshot); false when there is none.
HX_NODISCARD bool FindNameValue(const NameValuesT& values, std::string_view name, std::string& value);

}  // namespace hx
