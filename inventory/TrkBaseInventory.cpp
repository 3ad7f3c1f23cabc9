#include "inventory/TrkBaseInventory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "foundation/core/Format.h"
#include "inventory/InventoryCodes.h"
#include "inventory/TrkDigester.h"
#include "inventory/TrkInventory.h"
#include "inventory/TrkInventoryDocTypeHandler.h"

// The parser's events as digests: a top-level element's flat digest after its own start tag,
// its deep digest at its end, after every start tag below it. Text is not part of a digest.
// The document is refused where the reader of whole documents refuses it.
class TrkBaseInventoryC::ReaderC : public XmlParserC {
 public:
  // A written top-level entity takes more bytes than this: room for the entities of a file of
  // `size` bytes is taken at once, of which only what they use is ever touched.
  static constexpr size_t c_MinEntityBytes = 64;

  ReaderC(TrkBaseInventoryC& base, const struct stat& status) : base_(base), status_(status) { ignoreCharacterData(); }

 protected:
  void onStartElement(const char* name, const char** atts) override {
    if (aborted()) return;
    if (depth_ >= XmlBinderC::c_MaxDepth)
      return abort(hx::RC_FAIL, hx::Format("elements nested deeper than %1$d", static_cast<int>(XmlBinderC::c_MaxDepth)));
    ++depth_;
    if (depth_ == 1) {
      if (std::strcmp(name, trk::c_InventoryRootTag) != 0) return abort(hx::RC_FAIL, hx::Format("document element '%1$s' refused", name));
      base_.prologEnd_ = eventOffset() + eventLength();
      if (status_.st_size > 0) base_.elements_.reserve(static_cast<size_t>(status_.st_size) / c_MinEntityBytes);
      return;
    }
    bool fed = true;
    if (depth_ == 2) {
      element_ = ElementT();
      element_.begin = eventOffset();
      fed = digester_.Begin() && digester_.FeedElement(name, atts) && digester_.Peek(&element_.flat);
    } else {
      fed = digester_.FeedElement(name, atts);
    }
    if (!fed) abort(hx::RC_FAIL, "no digest");
  }

  void onEndElement(const char*) override {
    if (aborted() || depth_-- != 2) return;
    element_.end = eventOffset() + eventLength();
    if (base_.elements_.size() >= std::numeric_limits<uint32_t>::max() - 1) return abort(hx::RC_FAIL, "too many elements");
    if (!digester_.Final(&element_.deep)) return abort(hx::RC_FAIL, "no digest");
    base_.elements_.push_back(element_);
  }

  void onCharacterData(const char*, int) override {}
  void onSkippedEntity(const char*) override {}

 private:
  TrkBaseInventoryC& base_;
  const struct stat& status_;  // the file's, filled before the first event
  TrkDigesterC digester_;
  ElementT element_;  // the top-level element being read
  size_t depth_ = 0;  // elements open, the root included
};

hx::ResultT TrkBaseInventoryC::Read(const FileNameC& file, std::unique_ptr<TrkBaseInventoryC>* base,
                                    const XmlReadControlT& control) {
  if (base == nullptr) return hx::RC_NULL_OUT;
  base->reset();
  auto read = std::make_unique<TrkBaseInventoryC>();
  struct stat status {};
  XmlReadControlT withStatus = control;
  if (withStatus.status == nullptr) withStatus.status = &status;
  ReaderC reader(*read, *withStatus.status);
  const hx::ResultT rc = XmlParseFile(file, reader, withStatus, &read->file_);
  if (hx::Failed(rc)) return rc;
  read->Index();
  *base = std::move(read);
  return hx::RC_OK;
}

size_t TrkBaseInventoryC::Probe(const std::vector<uint32_t>& table, TrkDigestKeyT ElementT::*field,
                                const TrkDigestKeyT& key) const {
  const size_t mask = table.size() - 1;
  for (size_t i = TrkDigestKeyHashT()(key) & mask;; i = (i + 1) & mask) {
    if (table[i] == 0 || elements_[table[i] - 1].*field == key) return i;
  }
}

void TrkBaseInventoryC::Index() {
  constexpr size_t c_FirstSize = 16;
  size_t size = c_FirstSize;
  while (size < 2 * elements_.size()) size *= 2;
  flat_.assign(size, 0);
  deep_.assign(size, 0);
  // From the last entity to the first: each one goes in front of its item's chain, so the
  // first entity ends up answering for the item with the others behind it in document order.
  for (size_t i = elements_.size(); i-- > 0;) {
    ElementT& e = elements_[i];
    uint32_t& item = flat_[Probe(flat_, &ElementT::flat, e.flat)];
    e.next = item;
    e.count = item != 0 ? elements_[item - 1].count + 1 : 1;
    if (item != 0) elements_[item - 1].count = 0;
    item = static_cast<uint32_t>(i + 1);
    deep_[Probe(deep_, &ElementT::deep, e.deep)] = static_cast<uint32_t>(i + 1);
  }
}

bool TrkBaseInventoryC::HasItem(const TrkDigestKeyT& flat) const {
  const uint32_t item = Find(flat_, &ElementT::flat, flat);
  return item != 0 && elements_[item - 1].count != 0;
}

bool TrkBaseInventoryC::HasSubtree(const TrkDigestKeyT& deep) const { return Find(deep_, &ElementT::deep, deep) != 0; }

size_t TrkBaseInventoryC::TakeItem(const TrkDigestKeyT& flat) {
  const uint32_t item = Find(flat_, &ElementT::flat, flat);
  if (item == 0) return 0;
  const size_t n = elements_[item - 1].count;
  elements_[item - 1].count = 0;
  return n;
}

hx::ResultT TrkBaseInventoryC::ReadBytes(uint64_t begin, uint64_t end, std::string* out) const {
  size_t at = out->size();
  out->resize(at + (end - begin));
  while (begin < end) {
    const ssize_t n = ::pread(file_.get(), &(*out)[at], end - begin, static_cast<off_t>(begin));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return hx::RcFromErrno(errno);
    if (n == 0) return hx::RC_FAIL;  // shorter than it was
    begin += static_cast<uint64_t>(n);
    at += static_cast<size_t>(n);
  }
  return hx::RC_OK;
}

hx::ResultT TrkBaseInventoryC::MoveLeftTo(TrkInventoryEntityC& to, size_t* count) {
  if (count == nullptr) return hx::RC_NULL_OUT;
  *count = 0;
  std::vector<uint32_t> left;  // element numbers in the order they go
  for (uint32_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i].count == 0) continue;  // not an item's first entity, or taken
    for (uint32_t e = i + 1; e != 0; e = elements_[e - 1].next) left.push_back(e - 1);
  }
  if (left.empty()) return hx::RC_OK;

  // The document as the file begins it, with these elements alone in it, read as a whole.
  std::string text;
  hx::ResultT rc = ReadBytes(0, prologEnd_, &text);
  for (size_t i = 0; i < left.size() && hx::Succeeded(rc); ++i)
    rc = ReadBytes(elements_[left[i]].begin, elements_[left[i]].end, &text);
  if (hx::Failed(rc)) return rc;
  text += "</";
  text += trk::c_InventoryRootTag;
  text += '>';
  RefM<TrkInventoryC> read;
  rc = TrkInventoryDocTypeHandlerC::ReadBuffer(text.data(), text.size(), &read);
  if (hx::Failed(rc)) return rc;

  // Grouped by item in the order given, the read document's flat index lists them as given.
  std::vector<TrkInventoryEntityC*> entities;
  entities.reserve(left.size());
  read->GetFlatIndex().ForEachKey([&](const TrkDigestKeyT&, const TrkInventoryIndexC::ElemsT& elems) {
    for (const TrkInventoryHashElemC& e : elems) entities.push_back(e.GetEntity());
  });
  if (entities.size() != left.size()) return hx::RC_FAIL;
  // The same digests as at the first read, or the file changed in between.
  for (size_t i = 0; i < left.size(); ++i) {
    TrkDigestKeyT flat, deep;
    rc = entities[i]->CalculateDigestKeys(&flat, &deep);
    if (hx::Failed(rc)) return rc;
    if (!(flat == elements_[left[i]].flat) || !(deep == elements_[left[i]].deep)) return hx::RC_FAIL;
  }
  for (TrkInventoryEntityC* e : entities) {
    rc = to.AddEntity(e);
    if (hx::Failed(rc)) return rc;
  }
  *count = entities.size();
  return hx::RC_OK;
}
