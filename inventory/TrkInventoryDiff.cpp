// The delta of an inventory against an earlier inventory file. Top-level entities are matched
// as items by their flat digest (tag and attributes); an item whose subtree differs, or that
// occurs a different number of times, is changed. New items go to "Add", changed ones to
// "Update" with their whole subtree, and base items with no current counterpart to "Remove".
//
// Order inside each section: items in the order of their first occurrence in their document
// (this inventory for "Add" and "Update", the base for "Remove"), and the entities of one item
// in document order.

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

hx::ResultT CreateSections(TrkInventoryC& delta, DeltaSectionsT& sections) {
  sections.remove = TrkInventoryEntityC::New(c_Remove);
  sections.update = TrkInventoryEntityC::New(c_Update);
  sections.add = TrkInventoryEntityC::New(c_Add);
  for (TrkInventoryEntityC* s : {sections.remove.get(), sections.update.get(), sections.add.get()}) {
    const hx::ResultT rc = delta.AddEntity(s);
    if (hx::Failed(rc)) return rc;
  }
  return hx::RC_OK;
}

hx::ResultT IndexTopLevel(TrkInventoryEntityC& root, TrkInventoryIndexC& index) {
  index.Clear();
  index.Reserve(root.numChildren());
  for (TrkInventoryEntityC* c = root.GetFirstChild(); c != nullptr; c = c->GetNext()) {
    TrkDigestKeyT flat;
    const hx::ResultT rc = c->CalculateDigestKey(&flat, false);
    if (hx::Failed(rc)) return rc;
    index.Insert(flat, c);
  }
  return hx::RC_OK;
}

enum class ItemStateE { Unchanged, New, Changed };

// Compares the current entities of one item with the base; removes the base's entities of the
// item from its flat index, so that what stays there afterwards is what disappeared.
hx::ResultT CompareItem(const TrkDigestKeyT& key, const TrkInventoryIndexC::ElemsT& current, TrkInventoryC& base,
                        TrkInventoryIndexC& baseFlat, ItemStateE* state) {
  if (!baseFlat.Contains(key)) {
    *state = ItemStateE::New;
    return hx::RC_OK;
  }
  *state = ItemStateE::Unchanged;
  size_t checked = 0;
  for (const TrkInventoryHashElemC& e : current) {
    ++checked;
    TrkDigestKeyT deep;
    const hx::ResultT rc = e.GetEntity()->CalculateDigestKey(&deep, true);
    if (hx::Failed(rc)) return rc;
    // Against the whole deep index, not only this item's base entities: an equal subtree is
    // equal wherever it stood.
    if (!base.GetDeepIndex().Contains(deep)) {
      *state = ItemStateE::Changed;
      break;
    }
  }
  const size_t removed = baseFlat.RemoveAll(key);
  if (removed == 0) return hx::RC_FAIL;
  if (removed != checked) *state = ItemStateE::Changed;
  return hx::RC_OK;
}

hx::ResultT MoveAll(TrkInventoryEntityC& from, const TrkInventoryIndexC::ElemsT& entities, TrkInventoryEntityC& to) {
  for (const TrkInventoryHashElemC& e : entities) {
    hx::ResultT rc = from.RemoveEntity(e.GetEntity());  // the index element still holds it
    if (hx::Succeeded(rc)) rc = to.AddEntity(e.GetEntity());
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

  TrkInventoryIndexC current;
  rc = IndexTopLevel(*this, current);
  if (hx::Failed(rc)) return rc;

  TrkInventoryIndexC& baseFlat = baseDoc.flatIndex_;
  size_t added = 0, updated = 0;
  current.ForEachKey([&](const TrkDigestKeyT& key, const TrkInventoryIndexC::ElemsT& entities) {
    if (hx::Failed(rc)) return;
    ItemStateE state = ItemStateE::Unchanged;
    rc = CompareItem(key, entities, baseDoc, baseFlat, &state);
    if (hx::Failed(rc) || state == ItemStateE::Unchanged) return;
    TrkInventoryEntityC& section = state == ItemStateE::New ? *sections.add : *sections.update;
    (state == ItemStateE::New ? added : updated) += entities.size();
    rc = MoveAll(*this, entities, section);
  });
  if (hx::Failed(rc)) return rc;

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
