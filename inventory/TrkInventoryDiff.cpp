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
#include "inventory/TrkInventory.h"
#include "inventory/TrkInventoryDocTypeHandler.h"

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

// Compares the current entities of one item with the base; removes the base's entities of the
// item from its flat index, so that what stays there afterwards is what disappeared.
HX_NODISCARD hx::ResultT CompareItem(const ItemT& item, const std::vector<ItemKeyT>& keys, const std::vector<CurrentT>& entities,
                        TrkInventoryC& base, TrkInventoryIndexC& baseFlat, ItemStateE* state) {
  const TrkDigestKeyT& key = keys[item.begin].flat;
  if (!baseFlat.Contains(key)) {
    *state = ItemStateE::New;
    return hx::RC_OK;
  }
  *state = ItemStateE::Unchanged;
  for (uint32_t i = item.begin; i < item.end; ++i) {
    // Against the whole deep index, not only this item's base entities: an equal subtree is
    // equal wherever it stood.
    if (!base.GetDeepIndex().Contains(entities[keys[i].position].deep)) {
      *state = ItemStateE::Changed;
      break;
    }
  }
  const size_t removed = baseFlat.RemoveAll(key);
  if (removed == 0) return hx::RC_FAIL;
  if (removed != item.end - item.begin) *state = ItemStateE::Changed;
  return hx::RC_OK;
}

HX_NODISCARD hx::ResultT MoveAll(TrkInventoryEntityC& from, const ItemT& item, const std::vector<ItemKeyT>& keys,
                    const std::vector<CurrentT>& entities, TrkInventoryEntityC& to) {
  for (uint32_t i = item.begin; i < item.end; ++i) {
    const RefM<TrkInventoryEntityC> held(entities[keys[i].position].entity);  // between the two lists
    hx::ResultT rc = from.RemoveEntity(held.get());
    if (hx::Succeeded(rc)) rc = to.AddEntity(held.get());
    if (hx::Failed(rc)) return rc;
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
  RefM<TrkInventoryC> baseDoc;
  const hx::ResultT rc = TrkInventoryDocTypeHandlerC::ReadFile(base, &baseDoc);
  if (hx::Failed(rc)) {
    hx::Trace(trk::c_TraceInventoryDiff, "Base inventory '%1$s' not read (0x%2$08X)\n", base.text(), rc);
    return rc;
  }
  return GenerateDiff(*baseDoc, header, delta);
}

hx::ResultT TrkInventoryC::GenerateDiff(TrkInventoryC& baseDoc, const TrkInventoryHeaderT& header, TrkInventoryC** delta) {
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

  TrkInventoryIndexC& baseFlat = baseDoc.flatIndex_;
  size_t added = 0, updated = 0;
  for (const ItemT& item : items) {
    ItemStateE state = ItemStateE::Unchanged;
    rc = CompareItem(item, keys, entities, baseDoc, baseFlat, &state);
    if (hx::Succeeded(rc) && state != ItemStateE::Unchanged) {
      TrkInventoryEntityC& section = state == ItemStateE::New ? *sections.add : *sections.update;
      (state == ItemStateE::New ? added : updated) += item.end - item.begin;
      rc = MoveAll(*this, item, keys, entities, section);
    }
    if (hx::Failed(rc)) return rc;
  }

  // Base items left in the flat index have no current counterpart. They were never linked
  // below the base root, so they can go straight into "Remove".
  size_t removed = 0;
  baseFlat.ForEachKey([&](const TrkDigestKeyT&, const TrkInventoryIndexC::ElemsT& entities) {
    for (const TrkInventoryHashElemC& e : entities) {
      if (hx::Succeeded(rc)) rc = sections.remove->AddEntity(e.GetEntity());
      ++removed;
    }
  });
  if (hx::Failed(rc)) return rc;

  hx::Trace(trk::c_TraceInventoryDiff, "Delta: %1$lu removed, %2$lu updated, %3$lu added\n",
            static_cast<unsigned long>(removed), static_cast<unsigned long>(updated), static_cast<unsigned long>(added));
  *delta = result.detach();
  return hx::RC_OK;
}
