#pragma once
// TrkTrackC: what every tracking step has in common. Here: the helpers through which trackers
// add hardware classes, packages and properties to the inventory with the fixed vocabulary, and
// read properties back. They need nothing but the entities, so any tracker (and any test) can
// call them without a preference object.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/RefCount.h"
#include "inventory/TrkInventoryEntity.h"
#include "inventory/TrkVocabulary.h"
#include "inventory/ZORHXTInventory.h"

class TrkInventoryC;

class TrkTrackC : public TrkVocabularyC {
 public:
  // The document this step writes into, handed over as what it is by the tracker that made it.
  // The inventory interface a step's Track is given is matched against it, never cast back to
  // this program's entity type: a step given no document, or another inventory, has no root.
  void WriteInto(TrkInventoryC* document) { document_ = document; }
  // The root entity of `inventory`, obtained through its interface, as the held document's own
  // entity: RC_NO_INTERFACE (the root released) when it is not the held document's.
  HX_NODISCARD hx::ResultT OwnRoot(ZORHXTInventoryI* inventory, RefM<TrkInventoryEntityC>* root) const;

  // A new "Hardware" child of parent with "Class", "Name" and "Evidence" (set even when empty),
  // appended last. The result holds the creation reference; null for a null parent.
  static RefM<TrkInventoryEntityC> AddClass(TrkInventoryEntityC* parent, const StringC& className, const StringC& name,
                                            const StringC& evidence);
  // The same for a "Package" child with "Name" and "Evidence".
  static RefM<TrkInventoryEntityC> AddPackage(TrkInventoryEntityC* parent, const StringC& name,
                                              const StringC& evidence);
  // A "Property" child (see TrkInventoryEntityC::AddProperty); RC_INVALID_ARG for a null parent.
  HX_NODISCARD static hx::ResultT AddProperty(TrkInventoryEntityC* parent, const StringC& name, const StringC& value,
                                 const StringC& evidence, bool allowEmpty);
  // The "Value" of the first "Property" child whose "Name" is exactly name; "" when none.
  static StringC GetProperty(TrkInventoryEntityC* entity, const StringC& name);
  // The property of the first "Hardware" child whose "Class" is exactly className; "" when none.
  static StringC GetClassProperty(TrkInventoryEntityC* entity, const StringC& className, const StringC& propertyName);

 private:
  TrkInventoryC* document_ = nullptr;
};
