#include "foundation/core/Md5.h"

#include <openssl/evp.h>

namespace {

// Fetched once: an implicit fetch on every initialisation costs a provider lookup, and the
// delta computes two digests per top-level entity.
const EVP_MD* Md5Algorithm() {
  static const EVP_MD* s_md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
  return s_md5;
}

}  // namespace

MD5C::MD5C() {
  const EVP_MD* md = Md5Algorithm();
  ctx_ = EVP_MD_CTX_new();
  if (md == nullptr || ctx_ == nullptr || EVP_DigestInit_ex(ctx_, md, nullptr) != 1) status_ = hx::RC_NO_RESOURCE;
}

MD5C::~MD5C() { EVP_MD_CTX_free(ctx_); }

hx::ResultT MD5C::Update(std::string_view bytes) {
  if (hx::Failed(status_)) return status_;
  if (!bytes.empty() && EVP_DigestUpdate(ctx_, bytes.data(), bytes.size()) != 1) status_ = hx::RC_FAIL;
  return status_;
}

hx::ResultT MD5C::Final(std::string* hex) {
  if (hex == nullptr) return hx::RC_INVALID_ARG;
  hex->clear();
  if (hx::Failed(status_)) return status_;
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_DigestFinal_ex(ctx_, md, &n) != 1) return status_ = hx::RC_FAIL;
  status_ = hx::RC_FAIL;  // finished: no further feeding
  static const char kDigits[] = "0123456789abcdef";
  hex->reserve(2 * n);
  for (unsigned int i = 0; i < n; ++i) {
    hex->push_back(kDigits[md[i] >> 4]);
    hex->push_back(kDigits[md[i] & 0x0F]);
  }
  return hx::RC_OK;
}
