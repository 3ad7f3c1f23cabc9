#pragma once
// TrkBaseInventoryC: the base of a delta (an earlier inventory file), read for what the delta
// asks of it: the flat and deep digest of every top-level entity. The digests are taken straight
// from the parser's events, fed exactly as the entity the reader would build would feed them, so
// no entity is built for the hundreds of thousands of a file scan that only need comparing.
// Only the entities of the items that disappeared become entities again, when they go into the
// delta: their bytes are read once more from the file, which stays open for that.
//
// Items and entities keep the order of the document: items by their first entity, the entities
// of one item in the order they stand.

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/FileName.h"
#include "foundation/files/SafeFile.h"
#include "inventory/TrkDigestKey.h"
#include "inventory/TrkInventoryEntity.h"
#include "inventory/XmlBinder.h"

class TrkBaseInventoryC {
 public:
  TrkBaseInventoryC() = default;
  TrkBaseInventoryC(const TrkBaseInventoryC&) = delete;
  TrkBaseInventoryC& operator=(const TrkBaseInventoryC&) = delete;

  // Reads the inventory file. RC_OK with the base in *base; the errno code when the file cannot
  // be read (ECANCELED when the control stopped the read); RC_FAIL when it is not a
  // well-formed inventory, as for the reader of whole documents.
  HX_NODISCARD static hx::ResultT Read(const FileNameC& file, std::unique_ptr<TrkBaseInventoryC>* base,
                          const XmlReadControlT& control = XmlReadControlT());

  // Top-level entities read.
  size_t size() const { return elements_.size(); }
  // Whether entities of the item with this flat digest are left (not taken).
  bool HasItem(const TrkDigestKeyT& flat) const;
  // Whether any top-level entity, taken or not, has this deep digest.
  bool HasSubtree(const TrkDigestKeyT& deep) const;
  // Takes the entities of the item out and answers how many there were (0: none left).
  size_t TakeItem(const TrkDigestKeyT& flat);
  // Makes the entities of the items left into entities and appends them to `to`, each with its
  // whole subtree and text as the file holds them; *count receives their number. RC_FAIL when
  // the file no longer holds what was read.
  HX_NODISCARD hx::ResultT MoveLeftTo(TrkInventoryEntityC& to, size_t* count);

 private:
  class ReaderC;

  struct ElementT {
    TrkDigestKeyT flat, deep;
    uint64_t begin = 0, end = 0;  // its bytes in the file
    uint32_t next = 0;            // the next entity of its item, plus one; 0 after the last
    uint32_t count = 0;           // on the item's first entity: the entities left of the item
  };

  void Index();
  // The place of the element number (plus one) with `key` as its digest `field` in `table`, or
  // the empty place where it would go.
  size_t Probe(const std::vector<uint32_t>& table, TrkDigestKeyT ElementT::*field, const TrkDigestKeyT& key) const;
  uint32_t Find(const std::vector<uint32_t>& table, TrkDigestKeyT ElementT::*field, const TrkDigestKeyT& key) const {
    return table[Probe(table, field, key)];
  }
  // The file's bytes [begin, end), appended to out.
  HX_NODISCARD hx::ResultT ReadBytes(uint64_t begin, uint64_t end, std::string* out) const;

  std::vector<ElementT> elements_;  // in document order
  // Open addressing over element numbers plus one (0 an empty place), at most half full: by
  // flat digest to the first entity of each item, by deep digest to one entity of each subtree.
  std::vector<uint32_t> flat_, deep_;
  uint64_t prologEnd_ = 0;  // the file up to the end of the root's start tag
  hx::UniqueFdC file_;
};
