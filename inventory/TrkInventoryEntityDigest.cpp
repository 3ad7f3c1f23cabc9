// The entity digest: how the delta decides that two entities are the same item (tag and
// attributes) or the same subtree. Receivers keep digests of earlier inventories, so the bytes
// fed are fixed: "<" + tag + " ", then every attribute as name + "=" + value + " " in list
// order as one text, then the children's steps in order through the same computation.

#include <algorithm>

#include "inventory/TrkInventoryEntity.h"
#include "foundation/core/Md5.h"
#include "inventory/XmlCharRule.h"

namespace {

// Feeds one text as the digest has always seen it: converted to the system 8-bit encoding, and
// cut to as many bytes as the text has characters. In a UTF-8 locale this drops the tail of a
// text with non-ASCII characters; it is kept that way on purpose, because changing it would
// change the digest of every such entity and make the next delta report them all as changed.
hx::ResultT FeedText(MD5C& md5, const StringC& text) {
  if (hx::IsAscii(text)) return md5.Update(text);
  const std::string sys8 = hx::Utf8ToSys8(text);
  const size_t n = std::min(hx::CountCharacters(text), sys8.size());
  return md5.Update(std::string_view(sys8).substr(0, n));
}

}  // namespace

hx::ResultT TrkInventoryEntityC::CalculateMD5(MD5C& md5, bool recurse) const {
  StringC head;
  head.reserve(tag_.size() + 2);
  head += '<';
  head += tag_;
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
  MD5C md5;
  const hx::ResultT rc = CalculateMD5(md5, recurse);
  if (hx::Failed(rc)) return rc;
  return md5.Final(digest);
}
