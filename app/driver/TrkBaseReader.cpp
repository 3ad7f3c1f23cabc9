#include "app/driver/TrkBaseReader.h"

#include <system_error>

#include "foundation/files/SafeFile.h"

namespace {

bool SameTime(const struct timespec& a, const struct timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && SameTime(a.st_mtim, b.st_mtim) &&
         SameTime(a.st_ctim, b.st_ctim);
}

}  // namespace

void TrkBaseReaderC::Start(const FileNameC& file) {
  if (thread_.joinable() || file.empty()) return;
  file_ = file;
  try {
    thread_ = std::thread(&TrkBaseReaderC::Read, this);
  } catch (const std::system_error&) {
    file_ = FileNameC();  // no thread: the delta step reads the file itself
  }
}

void TrkBaseReaderC::Read() {
  XmlReadControlT control;
  control.stop = &stop_;
  control.status = &status_;
  rc_ = TrkBaseInventoryC::Read(file_, &base_, control);
}

void TrkBaseReaderC::Stop() {
  if (!thread_.joinable()) return;
  stop_.store(true, std::memory_order_relaxed);
  thread_.join();
  base_.reset();
}

std::unique_ptr<TrkBaseInventoryC> TrkBaseReaderC::Take(const FileNameC& file) {
  if (!thread_.joinable()) return nullptr;
  thread_.join();
  std::unique_ptr<TrkBaseInventoryC> base = std::move(base_);
  struct stat now {};
  if (hx::Failed(rc_) || !base || file.str() != file_.str() || ::lstat(file.c_str(), &now) != 0 ||
      !S_ISREG(now.st_mode) || !SameFile(now, status_))
    return nullptr;
  return base;
}
