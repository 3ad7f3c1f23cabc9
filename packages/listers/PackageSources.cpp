#include "packages/listers/PackageSources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/log/LogManager.h"
#include "foundation/process/RunCommand.h"

namespace trk {

namespace {

constexpr size_t c_ReadChunk = size_t{256} << 10;
constexpr mode_t c_WritableByOthers = S_IWGRP | S_IWOTH;

bool RightfulOwner(uid_t owner, uid_t alsoOwner) {
  return owner == 0 || owner == ::geteuid() || (alsoOwner != c_NoOtherOwner && owner == alsoOwner);
}

}  // namespace

hx::ResultT OpenSourceFile(const std::string& path, hx::UniqueFdC* fd, uid_t alsoOwner) {
  hx::UniqueFdC opened(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!opened.valid()) return hx::RcFromErrno(errno);
  struct stat st;
  if (::fstat(opened.get(), &st) != 0) return hx::RcFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return hx::RcFromErrno(EINVAL);
  if (!RightfulOwner(st.st_uid, alsoOwner) || (st.st_mode & c_WritableByOthers) != 0) return hx::RcFromErrno(EPERM);
  *fd = std::move(opened);
  return hx::RC_OK;
}

bool ReadSourceFile(const std::string& path, std::string* text, uid_t alsoOwner) {
  text->clear();
  hx::UniqueFdC fd;
  if (hx::Failed(OpenSourceFile(path, &fd, alsoOwner))) return false;
  if (hx::Succeeded(hx::ReadAll(fd.get(), text, c_MaxPackageFile))) return true;
  text->clear();
  return false;
}

hx::ResultT ForEachLine(int fd, const std::function<void(std::string_view line)>& onLine) {
  std::string buffer(c_ReadChunk, '\0');
  std::string partial;
  bool skipping = false;  // inside a line that is too long
  for (;;) {
    const ssize_t n = ::read(fd, &buffer[0], buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return hx::RcFromErrno(errno);
    if (n == 0) break;
    std::string_view in(buffer.data(), static_cast<size_t>(n));
    while (!in.empty()) {
      const size_t nl = in.find('\n');
      const std::string_view piece = in.substr(0, nl);
      if (!skipping && partial.size() + piece.size() > hx::c_MaxOutputLine) {
        partial.clear();
        skipping = true;
      }
      if (nl == std::string_view::npos) {
        if (!skipping) partial.append(piece);
        break;
      }
      if (!skipping) {
        std::string_view line = piece;
        if (!partial.empty()) line = partial.append(piece);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        onLine(line);
      }
      partial.clear();
      skipping = false;
      in.remove_prefix(nl + 1);
    }
  }
  if (!skipping && !partial.empty()) {
    std::string_view line = partial;
    if (line.back() == '\r') line.remove_suffix(1);
    onLine(line);
  }
  return hx::RC_OK;
}

hx::ResultT RunSourceTool(const CommandLineC& command, OutputStreamC* out, OutputStreamC* err, uint32_t* exitCode) {
  hx::ToolEndC end;
  DiscardStreamC discarded;
  // A tool's complaints are read by the caller or thrown away; they never reach the tracker's
  // own standard error, which cron mails.
  const hx::ResultT r = hx::RunPackageTool(command, *exitCode, out, err != nullptr ? err : &discarded, &end);
  return ReportSourceTool(command, end, r, *exitCode);
}

hx::ResultT RunSourceToolQuietly(const CommandLineC& command, OutputStreamC* out, uint32_t* exitCode, hx::ToolEndC* end) {
  DiscardStreamC discarded;
  return hx::RunPackageTool(command, *exitCode, out, &discarded, end);
}

hx::ResultT ReportSourceTool(const CommandLineC& command, const hx::ToolEndC& end, hx::ResultT r, uint32_t exitCode) {
  if (hx::Failed(r)) {
    hx::LogToolFailure(command, end);
    return r;
  }
  if (exitCode != 0)
    hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_TOOL_EXIT, TXT_TOOL_EXIT, command.ToString(), exitCode);
  return hx::RC_OK;
}

void LogUnreadableLines(const CommandLineC& command, size_t count) {
  if (count == 0) return;
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_TOOL_UNREADABLE, TXT_TOOL_UNREADABLE, command.ToString(),
          static_cast<uint32_t>(count));
}

}  // namespace trk
