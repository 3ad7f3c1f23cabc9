// The delta of an inventory against an earlier inventory file. Top-level entities are matched
// as items by their flat digest (tag and attributes); an item whose subtree differs, or that
// occurs a different number of times, is changed. New items go to "Add", changed ones to
// "Update" with their whole subtree, and base items with no current counterpart to "Remove".
//
// Order inside each section: items in the order of their first occurrence in their document
// (this inventory for "Add" and "Update", the base for "Remove"), and the entities of one item
// in document order.

#include <algorithm>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/trace/Tracer.h"
#include "inventory/InventoryCodes.h"
#include "inventory/TrkBaseInventory.h"
#include "inventory/TrkInventory.h"

namespace {

constexpr const char* c_Remove = "Remove";
constexpr const char* c_Update = "Update";
constexpr const char* c_Add = "Add";

// The sections of a delta document, created and linked in their fixed order.
struct DeltaSectionsT {
  RefM<TrkInventoryEntityC> remove, update, add;
};

HX_NODISCARD hx::ResultT CreateSections(TrkInventoryC& delta, DeltaSectionsT& sections) {
  sections.remove = TrkInventoryEntityC::New(c_Remove);
  sections.update = TrkInventoryEntityC::New(c_Update);
  sections.add = TrkInventoryEntityC::New(c_Add);
  for (TrkInventoryEntityC* s : {sections.remove.get(), sections.update.get(), sections.add.get()}) {
    const hx::ResultT rc = delta.AddEntity(s);
    if (hx::Failed(rc)) return rc;
  }
  return hx::RC_OK;
}

// A top-level entity of this inventory with its deep digest (the flat one is in its ItemKeyT).
struct CurrentT {
  TrkDigestKeyT deep;
  TrkInventoryEntityC* entity;  // the root's reference holds it
};

// Where an entity's flat digest stands among the others: items are runs of equal keys, and
// within a run the position keeps document order.
struct ItemKeyT {
  TrkDigestKeyT flat;
  uint32_t position;
  bool operator<(const ItemKeyT& o) const {
    if (flat.hi != o.flat.hi) return flat.hi < o.flat.hi;
    if (flat.lo != o.flat.lo) return flat.lo < o.flat.lo;
    return position < o.position;
  }
};

// The entities of one item: [begin, end) of the sorted keys, the first one its first occurrence.
struct ItemT {
  uint32_t begin, end;
};

// The top-level entities with their digests, and the items in the order of their first
// occurrence. The entities are read once, for their digests: a file scan leaves hundreds of
// thousands of them spread over the heap, and each further pass over them (a reference taken
// for an index, a second digest) costs about as much as the first. Grouping works on the
// compact keys alone.
HX_NODISCARD hx::ResultT GroupItems(TrkInventoryEntityC& root, std::vector<CurrentT>& entities, std::vector<ItemKeyT>& keys,
                       std::vector<ItemT>& items) {
  const size_t n = root.numChildren();  // arrays of their exact size: a scan has hundreds of thousands
  entities.reserve(n);
  keys.reserve(n);
  for (TrkInventoryEntityC* c = root.GetFirstChild(); c != nullptr; c = c->GetNext()) {
    TrkDigestKeyT flat;
    CurrentT e{{}, c};
    const hx::ResultT rc = c->CalculateDigestKeys(&flat, &e.deep);
    if (hx::Failed(rc)) return rc;
    keys.push_back(ItemKeyT{flat, static_cast<uint32_t>(entities.size())});
    entities.push_back(e);
  }
  std::sort(keys.begin(), keys.end());
  for (uint32_t i = 0; i < keys.size(); ++i) {
    if (i == 0 || !(keys[i].flat == keys[i - 1].flat)) items.push_back(ItemT{i, i});
    items.back().end = i + 1;
  }
  std::sort(items.begin(), items.end(),
            [&](const ItemT& a, const ItemT& b) { return keys[a.begin].position < keys[b.begin].position; });
  return hx::RC_OK;
}

enum class ItemStateE { Unchanged, New, Changed };

// Compares the current entities of one item with the base; takes the base's entities of the
// item out, so that what stays there afterwards is what disappeared.
HX_NODISCARD hx::ResultT CompareItem(const ItemT& item, const std::vector<ItemKeyT>& keys, const std::vector<CurrentT>& entities,
                        TrkBaseInventoryC& base, ItemStateE* state) {
  const TrkDigestKeyT& key = keys[item.begin].flat;
  if (!base.HasItem(key)) {
    *state = ItemStateE::New;
    return hx::RC_OK;
  }
  *state = ItemStateE::Unchanged;
  for (uint32_t i = item.begin; i < item.end; ++i) {
    // Against the whole deep index, not only this item's base entities: an equal subtree is
    // equal wherever it stood.
    if (!base.HasSubtree(entities[keys[i].position].deep)) {
      *state = ItemStateE::Changed;
      break;
    }
  }
  const size_t removed = base.TakeItem(key);
  if (removed == 0) return hx::RC_FAIL;
  if (removed != item.end - item.begin) *state = ItemStateE::Changed;
  return hx::RC_OK;
}

// Moves the entities of new and changed items into their sections: items in order, each item's
// entities in document order. They leave this inventory first, in document order: that is the
// order they lie in memory, and this is the first write to most of them since the run started
// its tools (a write the system pays for page by page). Only then are they linked in item order.
HX_NODISCARD hx::ResultT MoveItems(TrkInventoryEntityC& root, const std::vector<ItemT>& items, const std::vector<ItemStateE>& states,
                      const std::vector<ItemKeyT>& keys, const std::vector<CurrentT>& entities,
                      const DeltaSectionsT& sections, size_t* added, size_t* updated) {
  std::vector<TrkInventoryEntityC*> to(entities.size(), nullptr);  // by position; null: it stays
  for (size_t i = 0; i < items.size(); ++i) {
    if (states[i] == ItemStateE::Unchanged) continue;
    const bool isNew = states[i] == ItemStateE::New;
    (isNew ? *added : *updated) += items[i].end - items[i].begin;
    for (uint32_t k = items[i].begin; k < items[i].end; ++k)
      to[keys[k].position] = isNew ? sections.add.get() : sections.update.get();
  }
  std::vector<RefM<TrkInventoryEntityC>> taken(entities.size());
  for (size_t p = 0; p < entities.size(); ++p) {
    if (to[p] != nullptr) taken[p] = root.TakeEntity(entities[p].entity);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    for (uint32_t k = items[i].begin; k < items[i].end && states[i] != ItemStateE::Unchanged; ++k) {
      const uint32_t p = keys[k].position;
      const hx::ResultT rc = to[p]->AdoptEntity(taken[p]);
      if (hx::Failed(rc)) return rc;
    }
  }
  return hx::RC_OK;
}

}  // namespace

hx::ResultT TrkInventoryC::GenerateDiff(const FileNameC& base, TrkInventoryC** delta) {
  return GenerateDiff(base, deltaHeader_, delta);
}

hx::ResultT TrkInventoryC::GenerateDiff(const FileNameC& base, const TrkInventoryHeaderT& header, TrkInventoryC** delta) {
  if (delta == nullptr) return hx::RC_NULL_OUT;
  *delta = nullptr;
  std::unique_ptr<TrkBaseInventoryC> baseDoc;
  const hx::ResultT rc = TrkBaseInventoryC::Read(base, &baseDoc);
  if (hx::Failed(rc)) {
    hx::Trace(trk::c_TraceInventoryDiff, "Base inventory '%1$s' not read (0x%2$08X)\n", base.text(), rc);
    return rc;
  }
  return GenerateDiff(*baseDoc, header, delta);
}

hx::ResultT TrkInventoryC::GenerateDiff(TrkBaseInventoryC& baseDoc, const TrkInventoryHeaderT& header, TrkInventoryC** delta) {
  if (delta == nullptr) return hx::RC_NULL_OUT;
  *delta = nullptr;

  RefM<TrkInventoryC> result = New();
  hx::ResultT rc = result->AddDeltaRootAttributes(header);
  DeltaSectionsT sections;
  if (hx::Succeeded(rc)) rc = CreateSections(*result, sections);
  if (hx::Failed(rc)) return rc;

  std::vector<CurrentT> entities;
  std::vector<ItemKeyT> keys;
  std::vector<ItemT> items;
  rc = GroupItems(*this, entities, keys, items);
  if (hx::Failed(rc)) return rc;

  std::vector<ItemStateE> states(items.size(), ItemStateE::Unchanged);
  for (size_t i = 0; i < items.size(); ++i) {
    rc = CompareItem(items[i], keys, entities, baseDoc, &states[i]);
    if (hx::Failed(rc)) return rc;
  }
  // Base items not taken have no current counterpart. They are made into entities before any
  // entity leaves this inventory: when that fails, the inventory is still whole for the full
  // inventory written instead.
  size_t removed = 0;
  rc = baseDoc.MoveLeftTo(*sections.remove, &removed);
  if (hx::Failed(rc)) return rc;

  size_t added = 0, updated = 0;
  rc = MoveItems(*this, items, states, keys, entities, sections, &added, &updated);
  if (hx::Failed(rc)) return rc;

  hx::Trace(trk::c_TraceInventoryDiff, "Delta: %1$lu removed, %2$lu updated, %3$lu added\n",
            static_cast<unsigned long>(removed), static_cast<unsigned long>(updated), static_cast<unsigned long>(added));
  *delta = result.detach();
  return hx::RC_OK;
}
