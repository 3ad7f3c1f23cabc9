#include "software/TrkDigestCache.h"

#include <cerrno>
#include <cstring>

#include "foundation/core/Md5.h"
#include "foundation/files/SafeFile.h"
#include "foundation/files/Trust.h"
#include "foundation/log/LogManager.h"
#include "software/TrkSoftwareMessages.h"

namespace trk {

namespace {

constexpr char c_Magic[] = "HXDGCACH";
constexpr size_t c_MagicSize = sizeof c_Magic - 1;
constexpr size_t c_DigestSize = 32;
constexpr mode_t c_FileMode = 0600;
// Magic, version, a reserved word, scan start, entry count.
constexpr size_t c_HeaderSize = c_MagicSize + 4 + 4 + 8 + 8;
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

std::string Md5Hex(std::string_view bytes) {
  MD5C md5;
  std::string hex;
  if (hx::Failed(md5.Update(bytes)) || hx::Failed(md5.Final(&hex))) hex.clear();
  return hex;
}

void LogIgnored(const std::string& path, const std::string& reason) {
  hx::Log(c_LetterGeneral, c_NumberGeneral, LOG_DIGEST_CACHE_IGNORED, TXT_DIGEST_CACHE_IGNORED, path, reason);
}

}  // namespace

void TrkDigestCacheC::Load(const std::string& path) {
  bytes_.clear();
  loaded_.clear();
  hx::TrustFailureT refusal;
  const hx::ResultT trusted = hx::CheckTrusted(path, nullptr, &refusal);
  if (trusted == hx::RcFromErrno(ENOENT)) return;  // no cache yet: the first scan
  if (hx::Failed(trusted)) {
    LogIgnored(path, trusted == hx::RC_UNTRUSTED ? refusal.Describe() : std::strerror(refusal.error));
    return;
  }
  hx::UniqueFdC fd;
  hx::ResultT r = hx::OpenForReading(path, &fd);
  if (hx::Succeeded(r)) r = hx::ReadAll(fd.get(), &bytes_, c_MaxFileSize);
  if (hx::Failed(r)) {
    const int error = r == hx::RcFromErrno(ELOOP) ? ELOOP : static_cast<int>(r & 0xFFFF);
    LogIgnored(path, error == ELOOP ? "it is a symbolic link" : std::strerror(error));
    bytes_.clear();
    return;
  }
  std::string reason;
  if (!Parse(&reason)) {
    LogIgnored(path, reason);
    bytes_.clear();
    loaded_.clear();
  }
}

bool TrkDigestCacheC::Parse(std::string* reason) {
  if (bytes_.size() < c_HeaderSize + c_DigestSize || bytes_.compare(0, c_MagicSize, c_Magic) != 0) {
    *reason = "it is not a digest cache";
    return false;
  }
  const char* at = bytes_.data() + c_MagicSize;
  const uint32_t version = Get<uint32_t>(at);
  if (version != c_Version) {
    *reason = "it has format version " + std::to_string(version) + ", this program reads " + std::to_string(c_Version);
    return false;
  }
  const size_t body = bytes_.size() - c_DigestSize;
  if (Md5Hex(std::string_view(bytes_.data(), body)) != std::string_view(bytes_.data() + body, c_DigestSize)) {
    *reason = "it is truncated or damaged";
    return false;
  }
  Get<uint32_t>(at);
  loadedStartNs_ = Get<int64_t>(at);
  const uint64_t count = Get<uint64_t>(at);
  const char* end = bytes_.data() + body;
  loaded_.reserve(count < bytes_.size() / c_StatusSize ? count : 0);
  for (uint64_t i = 0; i < count; ++i) {
    if (static_cast<size_t>(end - at) < sizeof(uint32_t)) break;
    const uint32_t length = Get<uint32_t>(at);
    if (static_cast<size_t>(end - at) < length + c_StatusSize) break;
    loaded_[std::string_view(at, length)] = at + length;
    at += length + c_StatusSize;
  }
  if (at != end || loaded_.size() > count) {
    *reason = "its entries do not match its length";
    return false;
  }
  return true;
}

bool TrkDigestCacheC::Find(const std::string& path, const FileInfoC& info, std::string* digest) const {
  const auto found = loaded_.find(path);
  if (found == loaded_.end()) return false;
  std::string status;
  PutStatus(status, info);
  if (std::memcmp(status.data(), found->second, status.size()) != 0) return false;
  const int64_t modifiedNs =
      static_cast<int64_t>(info.modificationTime()) * c_NsPerSecond + info.modificationTimeNanoseconds();
  if (modifiedNs + c_GranularityNs > loadedStartNs_) return false;
  digest->assign(found->second + status.size(), c_DigestSize);
  return true;
}

void TrkDigestCacheC::Record(const std::string& path, const FileInfoC& info, const std::string& digest) {
  if (!IsHexDigest(digest) || path.size() > UINT32_MAX) return;
  Put<uint32_t>(out_, static_cast<uint32_t>(path.size()));
  out_ += path;
  PutStatus(out_, info);
  out_ += digest;
  ++recorded_;
}

hx::ResultT TrkDigestCacheC::Save(const std::string& path, int64_t scanStartNs) const {
  hx::TrustFailureT refusal;
  hx::ResultT r = hx::EnsureTrustedDirectory(hx::DirectoryOf(path), &refusal);
  if (hx::Failed(r)) {
    if (r == hx::RC_UNTRUSTED) hx::ReportRefusal(refusal);
    return r;
  }
  std::string header(c_Magic, c_MagicSize);
  Put<uint32_t>(header, c_Version);
  Put<uint32_t>(header, 0);
  Put<int64_t>(header, scanStartNs);
  Put<uint64_t>(header, recorded_);
  MD5C md5;
  std::string sum;
  r = md5.Update(header);
  if (hx::Succeeded(r)) r = md5.Update(out_);
  if (hx::Succeeded(r)) r = md5.Final(&sum);
  hx::AtomicFileC file;
  if (hx::Succeeded(r)) r = file.Open(path, c_FileMode);
  if (hx::Succeeded(r)) r = file.Write(header);
  if (hx::Succeeded(r)) r = file.Write(out_);
  if (hx::Succeeded(r)) r = file.Write(sum);
  if (hx::Succeeded(r)) r = file.Commit();
  return r;
}

}  // namespace trk
