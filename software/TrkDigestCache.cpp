#include "software/TrkDigestCache.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "foundation/messages/TrustRefusal.h"
#include "software/TrkSoftwareMessages.h"

namespace trk {

namespace {

constexpr char c_Magic[] = "HXDGCACH";
constexpr size_t c_MagicSize = sizeof c_Magic - 1;
constexpr size_t c_DigestSize = 32;
constexpr mode_t c_FileMode = 0600;
// Magic, version, a reserved word, scan start; after the entries their count and the sum.
constexpr size_t c_HeaderSize = c_MagicSize + 4 + 4 + 8;
constexpr size_t c_SumSize = 4;
constexpr size_t c_TrailerSize = 8 + c_SumSize;
// Written out in pieces of this size while the scan goes on.
constexpr size_t c_WriteChunk = size_t{256} << 10;
// Device, inode, size, modification and change times, digest (after the path).
constexpr size_t c_StatusSize = 8 + 8 + 8 + 8 + 4 + 8 + 4 + c_DigestSize;
constexpr int64_t c_NsPerSecond = 1000000000;

template <typename T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
T Get(const char*& at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  at += sizeof value;
  return value;
}

void PutStatus(std::string& out, const FileInfoC& info) {
  Put<uint64_t>(out, info.device());
  Put<uint64_t>(out, info.inode());
  Put<int64_t>(out, info.size());
  Put<int64_t>(out, static_cast<int64_t>(info.modificationTime()));
  Put<int32_t>(out, info.modificationTimeNanoseconds());
  Put<int64_t>(out, static_cast<int64_t>(info.changeTime()));
  Put<int32_t>(out, info.changeTimeNanoseconds());
}

bool IsHexDigest(std::string_view text) {
  if (text.size() != c_DigestSize) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// The CRC-32 of what is fed, piece by piece: it catches a file cut short or damaged at a
// fraction of the cost of a cryptographic digest (the cache's trust comes from its owner and
// mode, not from the sum).
uint32_t Crc32(uint32_t crc, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto n = static_cast<uInt>(std::min<size_t>(bytes.size(), 1u << 30));
    crc = static_cast<uint32_t>(::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), n));
    bytes.remove_prefix(n);
  }
  return crc;
}

int64_t NsOf(time_t seconds, int32_t nanoseconds) { return static_cast<int64_t>(seconds) * c_NsPerSecond + nanoseconds; }

// 32 hexadecimal digits to 16 bytes; false when they are not that.
bool ToBytes(std::string_view hex, uint8_t* out) {
  if (!IsHexDigest(hex)) return false;
  auto value = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i < c_DigestSize / 2; ++i) out[i] = static_cast<uint8_t>(value(hex[2 * i]) << 4 | value(hex[2 * i + 1]));
  return true;
}

std::string ToHex(const uint8_t* bytes) {
  static constexpr char c_Digits[] = "0123456789abcdef";
  std::string hex(c_DigestSize, '0');
  for (size_t i = 0; i < c_DigestSize / 2; ++i) {
    hex[2 * i] = c_Digits[bytes[i] >> 4];
    hex[2 * i + 1] = c_Digits[bytes[i] & 0xF];
  }
  return hex;
}

// FNV-1a: the index only needs paths spread over the 64 bits.
uint64_t PathHash(std::string_view path) {
  uint64_t h = 14695981039346656037ull;
  for (char c : path) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

void LogIgnored(const std::string& path, const std::string& reason) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_DIGEST_CACHE_IGNORED, TXT_DIGEST_CACHE_IGNORED, path, reason);
}

}  // namespace

void TrkDigestCacheC::Load(const std::string& path) {
  entries_.clear();
  index_.clear();
  next_ = 0;
  std::string bytes;
  hx::TrustFailureT refusal;
  const hx::ResultT trusted = hx::CheckTrusted(path, nullptr, &refusal);
  if (trusted == hx::RcFromErrno(ENOENT)) return;  // no cache yet: the first scan
  if (hx::Failed(trusted)) {
    LogIgnored(path, trusted == hx::RC_UNTRUSTED ? refusal.Describe() : std::strerror(refusal.error));
    return;
  }
  hx::UniqueFdC fd;
  hx::ResultT r = hx::OpenForReading(path, &fd);
  if (hx::Succeeded(r)) r = hx::ReadAll(fd.get(), &bytes, c_MaxFileSize);
  if (hx::Failed(r)) {
    const int error = r == hx::RcFromErrno(ELOOP) ? ELOOP : static_cast<int>(r & 0xFFFF);
    LogIgnored(path, error == ELOOP ? "it is a symbolic link" : std::strerror(error));
    return;
  }
  std::string reason;
  if (!Parse(bytes, &reason)) {
    LogIgnored(path, reason);
    std::vector<EntryT>().swap(entries_);
    std::vector<uint32_t>().swap(index_);
  }
}

bool TrkDigestCacheC::Parse(const std::string& bytes, std::string* reason) {
  if (bytes.size() < c_HeaderSize + c_TrailerSize || bytes.compare(0, c_MagicSize, c_Magic) != 0) {
    *reason = "it is not a digest cache";
    return false;
  }
  const char* at = bytes.data() + c_MagicSize;
  const uint32_t version = Get<uint32_t>(at);
  if (version != c_Version) {
    *reason = "it has format version " + std::to_string(version) + ", this program reads " + std::to_string(c_Version);
    return false;
  }
  const size_t body = bytes.size() - c_SumSize;
  const char* sumAt = bytes.data() + body;
  if (Crc32(0, std::string_view(bytes.data(), body)) != Get<uint32_t>(sumAt)) {
    *reason = "it is truncated or damaged";
    return false;
  }
  Get<uint32_t>(at);
  loadedStartNs_ = Get<int64_t>(at);
  const char* end = bytes.data() + body - sizeof(uint64_t);
  const char* countAt = end;
  const uint64_t count = Get<uint64_t>(countAt);
  entries_.reserve(count < bytes.size() / c_StatusSize ? count : 0);
  while (static_cast<size_t>(end - at) >= sizeof(uint32_t)) {
    const uint32_t length = Get<uint32_t>(at);
    if (static_cast<size_t>(end - at) < length + c_StatusSize) break;
    EntryT e;
    e.pathHash = PathHash(std::string_view(at, length));
    at += length;
    e.device = Get<uint64_t>(at);
    e.inode = Get<uint64_t>(at);
    e.size = Get<int64_t>(at);
    e.modifiedNs = Get<int64_t>(at) * c_NsPerSecond;
    e.modifiedNs += Get<int32_t>(at);
    e.changedNs = Get<int64_t>(at) * c_NsPerSecond;
    e.changedNs += Get<int32_t>(at);
    if (!ToBytes(std::string_view(at, c_DigestSize), e.digest)) break;
    at += c_DigestSize;
    entries_.push_back(e);
  }
  if (at != end || entries_.size() != count) {
    *reason = "its entries do not match their count";
    return false;
  }
  BuildIndex();
  return true;
}

void TrkDigestCacheC::BuildIndex() {
  size_t slots = 16;
  while (slots < 2 * entries_.size()) slots *= 2;
  index_.assign(slots, 0);
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t at = entries_[i].pathHash & (slots - 1);
    while (index_[at] != 0) at = (at + 1) & (slots - 1);
    index_[at] = static_cast<uint32_t>(i + 1);
  }
}

bool TrkDigestCacheC::Matches(const EntryT& e, uint64_t hash, const FileInfoC& info) {
  return e.pathHash == hash && e.device == info.device() && e.inode == info.inode() && e.size == info.size() &&
         e.modifiedNs == NsOf(info.modificationTime(), info.modificationTimeNanoseconds()) &&
         e.changedNs == NsOf(info.changeTime(), info.changeTimeNanoseconds());
}

const TrkDigestCacheC::EntryT* TrkDigestCacheC::Lookup(uint64_t hash, const FileInfoC& info) const {
  // A scan mostly meets the files in the order the last one did: the entry after the last
  // one found comes first.
  if (next_ < entries_.size() && Matches(entries_[next_], hash, info)) return &entries_[next_++];
  if (index_.empty()) return nullptr;
  const size_t mask = index_.size() - 1;
  for (size_t at = hash & mask; index_[at] != 0; at = (at + 1) & mask) {
    const size_t i = index_[at] - 1;
    if (Matches(entries_[i], hash, info)) {
      next_ = i + 1;
      return &entries_[i];
    }
  }
  return nullptr;
}

bool TrkDigestCacheC::Find(const std::string& path, const FileInfoC& info, std::string* digest) const {
  const EntryT* e = Lookup(PathHash(path), info);
  if (e == nullptr || e->modifiedNs + c_GranularityNs > loadedStartNs_) return false;
  *digest = ToHex(e->digest);
  return true;
}

hx::ResultT TrkDigestCacheC::Begin(const std::string& path, int64_t scanStartNs) {
  hx::TrustFailureT refusal;
  hx::ResultT r = hx::EnsureTrustedDirectory(hx::DirectoryOf(path), &refusal);
  if (r == hx::RC_UNTRUSTED) hx::ReportRefusal(refusal);
  if (hx::Succeeded(r)) r = file_.Open(path, c_FileMode);
  writing_ = hx::Succeeded(r);
  sum_ = 0;
  out_.assign(c_Magic, c_MagicSize);
  Put<uint32_t>(out_, c_Version);
  Put<uint32_t>(out_, 0);
  Put<int64_t>(out_, scanStartNs);
  return r;
}

void TrkDigestCacheC::Record(const std::string& path, const FileInfoC& info, const std::string& digest) {
  if (!writing_ || !IsHexDigest(digest) || path.size() > UINT32_MAX) return;
  Put<uint32_t>(out_, static_cast<uint32_t>(path.size()));
  out_ += path;
  PutStatus(out_, info);
  out_ += digest;
  ++recorded_;
  if (out_.size() >= c_WriteChunk) writeFailure_ = Flush();
}

hx::ResultT TrkDigestCacheC::Flush() {
  if (hx::Failed(writeFailure_)) return writeFailure_;
  sum_ = Crc32(sum_, out_);
  const hx::ResultT r = file_.Write(out_);
  out_.clear();
  return r;
}

hx::ResultT TrkDigestCacheC::Commit() {
  if (!writing_) return hx::RC_FAIL;
  writing_ = false;
  Put<uint64_t>(out_, recorded_);
  hx::ResultT r = Flush();
  std::string sum;
  Put<uint32_t>(sum, sum_);
  if (hx::Succeeded(r)) r = file_.Write(sum);
  // Not synchronised to the disk: a cache cut short by a crash fails its sum and is rebuilt.
  if (hx::Succeeded(r)) r = file_.Commit(false);
  return r;
}

}  // namespace trk
