#pragma once
// TrkDigesterC: the computation behind the entity digest (TrkInventoryEntityDigest.cpp), one MD5
// context set up once with reusable texts. An entity's steps are fed from the entity itself, or
// straight from the parser's start-element events when a base inventory is read for its digests
// alone: both feed the same bytes, so an element read either way has the same digests.

#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "inventory/TrkAttributeMap.h"
#include "inventory/TrkDigestKey.h"

struct evp_md_ctx_st;
struct evp_md_st;

class TrkDigesterC {
 public:
  TrkDigesterC();
  ~TrkDigesterC();
  TrkDigesterC(const TrkDigesterC&) = delete;
  TrkDigesterC& operator=(const TrkDigesterC&) = delete;

  // Starts a new digest.
  HX_NODISCARD bool Begin();
  // The entity's own steps: its head and its attributes, each as one text.
  HX_NODISCARD bool FeedEntity(const StringC& tag, const TrkAttributeMapC& attrs);
  // The same steps for the element the reader would make of a start tag (tag and the parser's
  // name, value, ..., null list): the character rule applied as the reader applies it.
  HX_NODISCARD bool FeedElement(std::string_view tag, const char** atts);
  // The digest of what was fed so far, going on afterwards.
  HX_NODISCARD bool Peek(TrkDigestKeyT* key);
  HX_NODISCARD bool Final(TrkDigestKeyT* key);

 private:
  // One text as the digest has always seen it (see TrkInventoryEntityDigest.cpp).
  HX_NODISCARD bool Feed(const StringC& text);
  HX_NODISCARD static bool Finish(evp_md_ctx_st* ctx, TrkDigestKeyT* key);

  evp_md_ctx_st* ctx_;
  evp_md_ctx_st* fork_;
  const evp_md_st* md_ = nullptr;
  evp_md_st* fetched_ = nullptr;  // the digest as fetched, where the crypto library fetches them
  StringC head_;
  StringC attrs_;
};
