// The entity digest: how the delta decides that two entities are the same item (tag and
// attributes) or the same subtree. Receivers keep digests of earlier inventories, so the bytes
// fed are fixed: "<" + tag + " ", then every attribute as name + "=" + value + " " in list
// order as one text, then the children's steps in order through the same computation.

#include <openssl/evp.h>

#include <algorithm>

#include "foundation/core/Nodiscard.h"
#include "inventory/TrkInventoryEntity.h"
#include "foundation/core/Md5.h"
#include "inventory/TrkDigestKey.h"
#include "inventory/XmlCharRule.h"

namespace {

// Feeds one text as the digest has always seen it: converted to the system 8-bit encoding, and
// cut to as many bytes as the text has characters. In a UTF-8 locale this drops the tail of a
// text with non-ASCII characters; it is kept that way on purpose, because changing it would
// change the digest of every such entity and make the next delta report them all as changed.
HX_NODISCARD hx::ResultT FeedText(MD5C& md5, const StringC& text) {
  if (hx::IsAscii(text)) return md5.Update(text);
  const std::string sys8 = hx::Utf8ToSys8(text);
  const size_t n = std::min(hx::CountCharacters(text), sys8.size());
  return md5.Update(std::string_view(sys8).substr(0, n));
}

// The digests of a read inventory, two per top-level entity: one MD5 context per thread, set up
// once, with reusable texts, instead of a new computation and new texts for every digest.
class DigesterC {
 public:
  static constexpr size_t c_DigestBytes = 16;

  DigesterC() : ctx_(EVP_MD_CTX_new()), fork_(EVP_MD_CTX_new()) {
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
    fetched_ = EVP_MD_fetch(nullptr, "MD5", nullptr);
    md_ = fetched_;
#else
    md_ = EVP_md5();
#endif
  }
  ~DigesterC() {
    EVP_MD_CTX_free(ctx_);
    EVP_MD_CTX_free(fork_);
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
    EVP_MD_free(fetched_);
#endif
  }
  DigesterC(const DigesterC&) = delete;
  DigesterC& operator=(const DigesterC&) = delete;

  HX_NODISCARD bool Begin() { return ctx_ != nullptr && fork_ != nullptr && md_ != nullptr && EVP_DigestInit_ex(ctx_, md_, nullptr) == 1; }
  // One text as FeedText feeds it.
  HX_NODISCARD bool Feed(const StringC& text) {
    if (hx::IsAscii(text)) return EVP_DigestUpdate(ctx_, text.data(), text.size()) == 1;
    const std::string sys8 = hx::Utf8ToSys8(text);
    const size_t n = std::min(hx::CountCharacters(text), sys8.size());
    return EVP_DigestUpdate(ctx_, sys8.data(), n) == 1;
  }
  // The entity's own steps: its head and its attributes, each as one text.
  HX_NODISCARD bool FeedEntity(const StringC& tag, const TrkAttributeMapC& attrs) {
    head_.assign(1, '<');
    head_ += tag;
    head_ += ' ';
    attrs_.clear();
    for (const TrkAttributeC& a : attrs) {
      attrs_ += a.GetName();
      attrs_ += '=';
      attrs_ += a.GetValue();
      attrs_ += ' ';
    }
    return Feed(head_) && Feed(attrs_);
  }
  // The digest of what was fed so far, going on afterwards.
  HX_NODISCARD bool Peek(TrkDigestKeyT* key) { return EVP_MD_CTX_copy_ex(fork_, ctx_) == 1 && Finish(fork_, key); }
  HX_NODISCARD bool Final(TrkDigestKeyT* key) { return Finish(ctx_, key); }

 private:
  HX_NODISCARD static bool Finish(EVP_MD_CTX* ctx, TrkDigestKeyT* key) {
    unsigned char raw[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx, raw, &size) != 1 || size != c_DigestBytes) return false;
    // Big-endian halves, so that the key's text is the digest's usual text.
    uint64_t halves[2] = {0, 0};
    for (size_t i = 0; i < c_DigestBytes; ++i) {
      uint64_t& half = halves[i / (c_DigestBytes / 2)];
      half = (half << 8) | raw[i];
    }
    key->hi = halves[0];
    key->lo = halves[1];
    return true;
  }

  EVP_MD_CTX* ctx_;
  EVP_MD_CTX* fork_;
  const EVP_MD* md_ = nullptr;
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
  EVP_MD* fetched_ = nullptr;
#endif
  StringC head_;
  StringC attrs_;
};

DigesterC& ThreadDigester() {
  thread_local DigesterC s_digester;
  return s_digester;
}

HX_NODISCARD bool FeedTree(DigesterC& d, const TrkInventoryEntityC& entity) {
  if (!d.FeedEntity(entity.getTag(), entity.GetAttributes())) return false;
  for (const TrkInventoryEntityC* c = entity.GetFirstChild(); c != nullptr; c = c->GetNext()) {
    if (!FeedTree(d, *c)) return false;
  }
  return true;
}

}  // namespace

hx::ResultT TrkInventoryEntityC::CalculateDigestKeys(TrkDigestKeyT* flat, TrkDigestKeyT* deep) const {
  if (flat == nullptr || deep == nullptr) return hx::RC_INVALID_ARG;
  DigesterC& d = ThreadDigester();
  if (!d.Begin() || !d.FeedEntity(*tag_, attrs_) || !d.Peek(flat)) return hx::RC_FAIL;
  for (const TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_) {
    if (!FeedTree(d, *c)) return hx::RC_FAIL;
  }
  return d.Final(deep) ? hx::RC_OK : hx::RC_FAIL;
}

hx::ResultT TrkInventoryEntityC::CalculateDigestKey(TrkDigestKeyT* key, bool recurse) const {
  if (key == nullptr) return hx::RC_INVALID_ARG;
  DigesterC& d = ThreadDigester();
  if (!d.Begin() || !d.FeedEntity(*tag_, attrs_)) return hx::RC_FAIL;
  for (const TrkInventoryEntityC* c = recurse ? first_ : nullptr; c != nullptr; c = c->next_) {
    if (!FeedTree(d, *c)) return hx::RC_FAIL;
  }
  return d.Final(key) ? hx::RC_OK : hx::RC_FAIL;
}

hx::ResultT TrkInventoryEntityC::CalculateMD5(MD5C& md5, bool recurse) const {
  StringC head;
  head.reserve(tag_->size() + 2);
  head += '<';
  head += *tag_;
  head += ' ';
  hx::ResultT rc = FeedText(md5, head);
  if (hx::Failed(rc)) return rc;

  StringC attrs;
  for (const TrkAttributeC& a : attrs_) {
    attrs += a.GetName();
    attrs += '=';
    attrs += a.GetValue();
    attrs += ' ';
  }
  rc = FeedText(md5, attrs);
  if (hx::Failed(rc) || !recurse) return rc;

  for (const TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_) {
    rc = c->CalculateMD5(md5, true);
    if (hx::Failed(rc)) return rc;
  }
  return hx::RC_OK;
}

hx::ResultT TrkInventoryEntityC::CalculateMD5(StringC* digest, bool recurse) const {
  if (digest == nullptr) return hx::RC_INVALID_ARG;
  digest->clear();
  TrkDigestKeyT key;
  const hx::ResultT rc = CalculateDigestKey(&key, recurse);
  if (hx::Succeeded(rc)) *digest = key.Hex();
  return rc;
}
