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
#include "inventory/TrkDigester.h"
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

}  // namespace

TrkDigesterC::TrkDigesterC() : ctx_(EVP_MD_CTX_new()), fork_(EVP_MD_CTX_new()) {
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
  fetched_ = EVP_MD_fetch(nullptr, "MD5", nullptr);
  md_ = fetched_;
#else
  md_ = EVP_md5();
#endif
}

TrkDigesterC::~TrkDigesterC() {
  EVP_MD_CTX_free(ctx_);
  EVP_MD_CTX_free(fork_);
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
  EVP_MD_free(fetched_);
#endif
}

bool TrkDigesterC::Begin() {
  return ctx_ != nullptr && fork_ != nullptr && md_ != nullptr && EVP_DigestInit_ex(ctx_, md_, nullptr) == 1;
}

bool TrkDigesterC::Feed(const StringC& text) {
  if (hx::IsAscii(text)) return EVP_DigestUpdate(ctx_, text.data(), text.size()) == 1;
  const std::string sys8 = hx::Utf8ToSys8(text);
  const size_t n = std::min(hx::CountCharacters(text), sys8.size());
  return EVP_DigestUpdate(ctx_, sys8.data(), n) == 1;
}

bool TrkDigesterC::FeedEntity(const StringC& tag, const TrkAttributeMapC& attrs) {
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

bool TrkDigesterC::FeedElement(std::string_view tag, const char** atts) {
  // As the entity's constructor and AddParsed take them: the parser hands over only characters
  // XML allows, of which tab, line feed and carriage return (from references) are left.
  head_.assign(1, '<');
  if (trk::IsPrintableAscii(tag)) head_ += tag;
  else head_ += trk::SanitizeXmlValue(tag);
  head_ += ' ';
  attrs_.clear();
  for (size_t i = 0; atts != nullptr && atts[i] != nullptr && atts[i + 1] != nullptr; i += 2) {
    const std::string_view value(atts[i + 1]);
    attrs_ += atts[i];
    attrs_ += '=';
    if (std::none_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
      attrs_ += value;
    else
      attrs_ += trk::SanitizeXmlValue(value);
    attrs_ += ' ';
  }
  return Feed(head_) && Feed(attrs_);
}

bool TrkDigesterC::Peek(TrkDigestKeyT* key) { return EVP_MD_CTX_copy_ex(fork_, ctx_) == 1 && Finish(fork_, key); }

bool TrkDigesterC::Final(TrkDigestKeyT* key) { return Finish(ctx_, key); }

bool TrkDigesterC::Finish(EVP_MD_CTX* ctx, TrkDigestKeyT* key) {
  constexpr size_t c_DigestBytes = 16;
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

namespace {

TrkDigesterC& ThreadDigester() {
  thread_local TrkDigesterC s_digester;
  return s_digester;
}

HX_NODISCARD bool FeedTree(TrkDigesterC& d, const TrkInventoryEntityC& entity) {
  if (!d.FeedEntity(entity.getTag(), entity.GetAttributes())) return false;
  for (const TrkInventoryEntityC* c = entity.GetFirstChild(); c != nullptr; c = c->GetNext()) {
    if (!FeedTree(d, *c)) return false;
  }
  return true;
}

}  // namespace

hx::ResultT TrkInventoryEntityC::CalculateDigestKeys(TrkDigestKeyT* flat, TrkDigestKeyT* deep) const {
  if (flat == nullptr || deep == nullptr) return hx::RC_INVALID_ARG;
  TrkDigesterC& d = ThreadDigester();
  if (!d.Begin() || !d.FeedEntity(*tag_, attrs_) || !d.Peek(flat)) return hx::RC_FAIL;
  for (const TrkInventoryEntityC* c = first_; c != nullptr; c = c->next_) {
    if (!FeedTree(d, *c)) return hx::RC_FAIL;
  }
  return d.Final(deep) ? hx::RC_OK : hx::RC_FAIL;
}

hx::ResultT TrkInventoryEntityC::CalculateDigestKey(TrkDigestKeyT* key, bool recurse) const {
  if (key == nullptr) return hx::RC_INVALID_ARG;
  TrkDigesterC& d = ThreadDigester();
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
