#include "app/driver/TrkTamperShield.h"

#include <openssl/evp.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "app/driver/TrkTracker.h"
#include "foundation/core/Md5.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/files/SafeFile.h"

namespace {

constexpr size_t c_ReadChunk = 64 * 1024;
constexpr mode_t c_NewFileMode = 0600;  // only used when the file vanished meanwhile
constexpr size_t c_BlockSize = 16;
constexpr const char* c_CommentOpen = "<!--";
constexpr const char* c_CommentClose = "-->";
constexpr const char c_HexDigits[] = "0123456789abcdef";

struct CipherCtxFreeT {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

HX_NODISCARD hx::ResultT TextDigest(std::string_view text, std::string* hex) {
  MD5C md5;
  const hx::ResultT r = md5.Update(text);
  return hx::Succeeded(r) ? md5.Final(hex) : r;
}

std::string ToHex(const unsigned char* bytes, size_t size) {
  std::string hex;
  hex.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    hex += c_HexDigits[bytes[i] >> 4];
    hex += c_HexDigits[bytes[i] & 0x0F];
  }
  return hex;
}

// The text with its last block filled up: only a partial block is filled, never a whole one
// added, so the 32-character digest is enciphered as it stands.
std::vector<unsigned char> FilledBlocks(std::string_view text) {
  std::vector<unsigned char> data(text.begin(), text.end());
  const size_t partial = data.size() % c_BlockSize;
  if (partial != 0) data.insert(data.end(), c_BlockSize - partial, static_cast<unsigned char>(c_BlockSize - partial));
  return data;
}

}  // namespace

namespace trk {

hx::ResultT FileDigest(const FileNameC& file, std::string* hex) {
  if (hex == nullptr) return hx::RC_NULL_OUT;
  hx::UniqueFdC in;
  hx::ResultT r = hx::OpenForReading(file.str(), &in);
  if (hx::Failed(r)) return r;
  MD5C md5;
  std::vector<char> buffer(c_ReadChunk);
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return hx::RcFromErrno(errno);
    if (n == 0) break;
    r = md5.Update(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (hx::Failed(r)) return r;
  }
  return md5.Final(hex);
}

hx::ResultT TamperShieldCipher(std::string_view text, std::string_view keyText, std::string* hex) {
  if (hex == nullptr) return hx::RC_NULL_OUT;
  std::string key;
  hx::ResultT r = TextDigest(keyText, &key);
  if (hx::Failed(r)) return r;

  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFreeT> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return hx::RC_NO_RESOURCE;
  const std::vector<unsigned char> plain = FilledBlocks(text);
  std::vector<unsigned char> cipher(plain.size() + c_BlockSize);
  int written = 0, final = 0;
  const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
  if (EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ecb(), nullptr, keyBytes, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
      EVP_EncryptUpdate(ctx.get(), cipher.data(), &written, plain.data(), static_cast<int>(plain.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), cipher.data() + written, &final) != 1)
    return hx::RC_FAIL;
  *hex = ToHex(cipher.data(), static_cast<size_t>(written + final));
  return hx::RC_OK;
}

hx::ResultT SignInventoryFile(const FileNameC& file, std::string_view keyText) {
  std::string digest, cipher;
  hx::ResultT r = FileDigest(file, &digest);
  if (hx::Succeeded(r)) r = TamperShieldCipher(digest, keyText, &cipher);
  if (hx::Failed(r)) return r;
  hx::UniqueFdC out;
  r = hx::OpenForWriting(file.str(), O_APPEND, c_NewFileMode, &out);
  if (hx::Succeeded(r)) r = hx::WriteAll(out.get(), c_CommentOpen + cipher + c_CommentClose);
  const hx::ResultT closed = out.close();
  return hx::Succeeded(r) ? closed : r;
}

}  // namespace trk

hx::ResultT TrkTrackerC::TamperShield(const FileNameC& file) {
  return trk::SignInventoryFile(file, prefs_.GetValue(TrkPreferencesC::c_LogMsgCatPath));
}
