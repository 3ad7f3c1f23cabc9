#include "foundation/messages/ErrCatalog.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <limits>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/Trust.h"
#include "foundation/messages/CatalogFormat.h"
#include "foundation/messages/MessageId.h"
#include "foundation/messages/TrustRefusal.h"

namespace {

// Reads exactly `size` bytes at `offset`; false on a short read (the file is truncated
// there), a read error, or an offset the system cannot address.
HX_NODISCARD bool ReadAt(int fd, void* buffer, size_t size, uint64_t offset) {
  if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) - size) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

ErrCatalogC::ErrCatalogC(const std::string& path) : ErrCatalogC(path, hx::MessageLocaleRegion()) {}

ErrCatalogC::ErrCatalogC(const std::string& path, const hx::LocaleRegionT& region) : path_(path) {
  open(region);
}

ErrCatalogC::~ErrCatalogC() = default;

hx::UniqueFdC ErrCatalogC::opencat(const std::string& path) {
  // The texts of a catalog reach the log, the closing window and the inventory's messages:
  // one that somebody else can change is not read.
  hx::TrustFailureT failure;
  const hx::ResultT trust = hx::CheckTrusted(path, nullptr, &failure);
  if (trust == hx::RC_UNTRUSTED) hx::ReportRefusal(failure);
  if (hx::Failed(trust)) return hx::UniqueFdC();
  // Non-blocking so that a FIFO in the catalog's place cannot stall the open.
  hx::UniqueFdC fd;
  do {
    fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  } while (!fd.valid() && errno == EINTR);
  struct stat st;
  if (fd.valid() && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))) fd.reset();
  return fd;
}

void ErrCatalogC::open(const hx::LocaleRegionT& region) {
  for (const std::string& candidate : hx::CatalogPathCandidates(path_, region)) {
    fd_ = opencat(candidate);
    if (fd_.valid()) {
      opened_ = candidate;
      break;
    }
  }
  if (!fd_.valid()) return;
  if (!readHeader()) {
    fd_.reset();
    opened_.clear();
  }
}

bool ErrCatalogC::readHeader() {
  unsigned char header[hx::CATALOG_HEADER_SIZE];
  if (!ReadAt(fd_.get(), header, sizeof header, 0)) return false;
  if (std::memcmp(header, hx::CATALOG_MAGIC, hx::CATALOG_MAGIC_SIZE) != 0) return false;
  count_ = hx::ReadBigEndian(header + hx::CATALOG_MAGIC_SIZE, 4);
  return true;
}

std::optional<std::string> ErrCatalogC::getMessage(int32_t id) const {
  if (!fd_.valid() || !hx::MsgHasCatalogBit(id) || count_ == 0) return std::nullopt;
  const uint32_t set = hx::MsgSet(id);
  const uint32_t number = hx::MsgNumber(id);
  // Binary search over the index, one entry read per step: at most 32 reads whatever N says,
  // and an index shorter than N claims ends the search as "not found".
  uint64_t lo = 0, hi = count_;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    unsigned char raw[hx::CATALOG_ENTRY_SIZE];
    if (!ReadAt(fd_.get(), raw, sizeof raw, hx::CATALOG_HEADER_SIZE + hx::CATALOG_ENTRY_SIZE * mid)) return std::nullopt;
    const hx::CatalogIndexEntryT e = hx::DecodeIndexEntry(raw);
    if (e.set < set || (e.set == set && e.number < number)) {
      lo = mid + 1;
    } else if (e.set > set || e.number > number) {
      hi = mid;
    } else {
      std::string text(e.length, '\0');
      if (e.length != 0 && !ReadAt(fd_.get(), text.data(), text.size(), e.offset)) return std::nullopt;
      return text;
    }
  }
  return std::nullopt;
}

std::string ErrCatalogC::getMessage(ErrSevT& sev, int32_t id, const char* defaultText, const char* /*style*/) const {
  sev = ErrSevError;
  const std::string level = userLevel();
  if (const auto text = getMessage(id)) return ApplyMarkup(*text, sev, level);
  if (defaultText != nullptr && *defaultText != '\0') return ApplyMarkup(defaultText, sev, level);
  return std::string();
}

void ErrCatalogC::setUserLevel(const std::string& level) {
  std::lock_guard<std::mutex> g(levelLock_);
  userLevel_ = level;
}

std::string ErrCatalogC::userLevel() const {
  std::lock_guard<std::mutex> g(levelLock_);
  return userLevel_;
}
