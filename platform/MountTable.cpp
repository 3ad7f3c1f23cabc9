#include "platform/MountTable.h"

#include <sys/stat.h>

#include <cerrno>

#include "foundation/core/Text.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/SysRoot.h"

namespace hx {

namespace {

constexpr size_t c_OctalDigits = 3;
constexpr unsigned c_ByteLimit = 256;
constexpr const char* c_ProcType = "proc";
constexpr const char* c_RemovableTypes[] = {"iso9660", "cd9660", "hsfs", "udf"};
// A network special device: "//server/share", or "host:/path" with the ":/" after the first
// character.
constexpr std::string_view c_UncPrefix = "//";
constexpr std::string_view c_HostPathMark = ":/";

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// Fields of one line split at every run of the separators; empty fields are not kept.
std::vector<std::string> Fields(std::string_view line, std::string_view separators) {
  std::vector<std::string> fields;
  size_t i = 0;
  while (i < line.size()) {
    const size_t start = line.find_first_not_of(separators, i);
    if (start == std::string_view::npos) break;
    size_t end = line.find_first_of(separators, start);
    if (end == std::string_view::npos) end = line.size();
    fields.emplace_back(line.substr(start, end - start));
    i = end;
  }
  return fields;
}

template <typename DecodeF>
std::vector<MountEntryT> ParseLines(std::string_view text, std::string_view separators, DecodeF decode) {
  constexpr size_t c_Special = 0, c_MountPoint = 1, c_Type = 2, c_Options = 3;
  std::vector<MountEntryT> entries;
  for (const std::string& line : SplitLines(text)) {
    const std::vector<std::string> f = Fields(line, separators);
    if (f.size() <= c_Type) continue;
    MountEntryT e;
    e.special = decode(f[c_Special]);
    e.mountPoint = decode(f[c_MountPoint]);
    e.type = decode(f[c_Type]);
    if (f.size() > c_Options) e.options = decode(f[c_Options]);
    entries.push_back(std::move(e));
  }
  return entries;
}

bool IsBlockDevice(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

}  // namespace

std::string DecodeOctalEscapes(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + c_OctalDigits < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      const unsigned value = (field[i + 1] - '0') * 64u + (field[i + 2] - '0') * 8u + (field[i + 3] - '0');
      if (value < c_ByteLimit) {
        out.push_back(static_cast<char>(value));
        i += c_OctalDigits;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<MountEntryT> ParseMnttab(std::string_view text) {
  return ParseLines(text, "\t", [](const std::string& f) { return f; });
}

std::vector<MountEntryT> ParseProcMounts(std::string_view text) {
  return ParseLines(text, " \t", [](const std::string& f) { return DecodeOctalEscapes(f); });
}

uint32_t ClassifyMount(const MountEntryT& entry, bool specialIsBlockDevice) {
  if (EqualsNoCase(entry.type, c_ProcType)) return FS_PROCESS;
  const std::string& special = entry.special;
  if (StartsWith(special, c_UncPrefix)) return FS_NETWORK;
  if (StartsWith(special, "/")) {
    if (!specialIsBlockDevice) return 0;
    for (const char* removable : c_RemovableTypes) {
      if (EqualsNoCase(entry.type, removable)) return FS_LOCAL_BLOCK | FS_REMOVABLE;
    }
    return FS_LOCAL_BLOCK;
  }
  if (special.size() > 1 && special.find(c_HostPathMark, 1) != std::string::npos) return FS_NETWORK;
  return 0;
}

ResultT OSFileSystemCollectionC::Read() {
  entries_.clear();
  std::string text;
  bool mnttab = true;
  ResultT rc = ReadFileNoFollow(MapSystemPath(c_Mnttab), &text, c_MaxTableSize);
  if (rc == RcFromErrno(ENOENT)) {
    mnttab = false;
    rc = ReadFileNoFollow(MapSystemPath(c_ProcMounts), &text, c_MaxTableSize);
  }
  if (Failed(rc)) return rc;
  for (MountEntryT& e : mnttab ? ParseMnttab(text) : ParseProcMounts(text)) {
    MountedFileSystemT fs;
    const bool examine = StartsWith(e.special, "/") && !StartsWith(e.special, c_UncPrefix);
    fs.flags = ClassifyMount(e, examine && IsBlockDevice(e.special));
    fs.entry = std::move(e);
    entries_.push_back(std::move(fs));
  }
  return RC_OK;
}

uint64_t OSFileSystemCollectionC::DeviceOf(const std::string& mountPoint) {
  struct stat st;
  return ::stat(mountPoint.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_dev) : 0;
}

}  // namespace hx
