#include "app/interaction/ScanProgress.h"

#include "app/interaction/TrkInteractionMessages.h"
#include "app/interaction/TrkTrackerGUI.h"
#include "foundation/core/FileName.h"
#include "foundation/files/SafeFile.h"
#include "foundation/messages/Errors.h"
#include "prefs/tracker/TrkPreferences.h"

namespace {

// The preference is a list: loading repairs a value out of range by adding the default after
// it, so the last value counts. Anything else out of range means the default too.
constexpr int64_t c_DefaultDepth = 3;
constexpr int64_t c_MaxDepth = 10;

size_t DepthOf(TrkPreferencesC& prefs) {
  const StringArrayC values = prefs.GetMultiValue(TrkPreferencesC::c_ProgressDepth);
  int64_t depth = 0;
  if (values.empty() || !hx::ParseInt64(hx::Trim(values.back()), depth) || depth < 1 || depth > c_MaxDepth)
    depth = c_DefaultDepth;
  return static_cast<size_t>(depth);
}

}  // namespace

ScanProgressC::ScanProgressC(TrkPreferencesC& prefs)
    : active_(trk::ShowsProgressDetail()), truncator_(active_ ? DepthOf(prefs) : c_DefaultDepth) {}

ScanProgressC::HookT ScanProgressC::Hook() {
  if (!active_) return HookT();
  return [this](const std::string& path, const FileInfoC& info) { Examined(path, info); };
}

void ScanProgressC::Examined(const std::string& path, const FileInfoC& info) {
  lastIsDirectory_ = info.isDirectory();
  if (!lastIsDirectory_) {
    ++files_;
    bytes_ += static_cast<uint64_t>(info.size());
  }
  last_ = path;
  const auto now = std::chrono::steady_clock::now();
  if (now - shown_ < c_RefreshInterval) return;
  shown_ = now;
  Show();
}

void ScanProgressC::Finish() {
  if (active_ && !last_.empty()) Show();
}

std::string ScanProgressC::Text() const {
  const std::string directory = lastIsDirectory_ ? last_ : hx::DirectoryOf(last_);
  return getL10NMessage(trk::MSG_FILES_EXAMINED, trk::TXT_FILES_EXAMINED,
                        hx::ArgListC{hx::ArgC(std::to_string(files_)), hx::ArgC(std::to_string(bytes_)),
                                     hx::ArgC(truncator_.Truncate(FileNameC(directory).text()))});
}

void ScanProgressC::Show() { trk::ProgressDetail(Text()); }
