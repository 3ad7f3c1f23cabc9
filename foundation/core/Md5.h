#pragma once
// MD5C: one running MD5 computation over the crypto library's digest. Entity digests, file
// digests and the inventory signature feed it piece by piece and read the result as 32
// lower-case hexadecimal characters.

#include <string>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"

struct evp_md_ctx_st;

class MD5C {
 public:
  MD5C();
  ~MD5C();
  MD5C(const MD5C&) = delete;
  MD5C& operator=(const MD5C&) = delete;

  // RC_NO_RESOURCE when the computation could not be set up (then every call fails).
  HX_NODISCARD hx::ResultT Status() const { return status_; }
  HX_NODISCARD hx::ResultT Update(std::string_view bytes);
  // Ends the computation; the object cannot be fed afterwards.
  HX_NODISCARD hx::ResultT Final(std::string* hex);

 private:
  evp_md_ctx_st* ctx_ = nullptr;
  hx::ResultT status_ = hx::RC_OK;
};
