#pragma once
// TrkTrackC: what every tracking step has in common. Here: the helpers through which trackers
// add hardware classes, packages and properties to the inventory with the fixed vocabulary, and
// read properties back. They need nothing but the entities, so any tracker (and any test) can
// call them without a preference object.

#include "foundation/core/RefCount.h"
#include "inventory/TrkInventoryEntity.h"
#include "inventory/TrkVocabulary.h"

class TrkTrackC : public TrkVocabularyC {
 public:
  // A new "Hardware" child of parent with "Class", "Name" and "Evidence" (set even when empty),
  // appended last. The result holds the creation reference; null for a null parent.
  static RefM<TrkInventoryEntityC> AddClass(TrkInventoryEntityC* parent, const StringC& className,
                                            const StringC& name, const StringC& evidence);
  // The same for a "Package" child with "Name" and "Evidence".
  static RefM<TrkInventoryEntityC> AddPackage(TrkInventoryEntityC* parent, const StringC& name,
                                              const StringC& evidence);
  // A "Property" child (see TrkInventoryEntityC::AddProperty); RC_INVALID_ARG for a null parent.
  static hx::ResultT AddProperty(TrkInventoryEntityC* parent, const StringC& name, const StringC& value,
                                 const StringC& evidence, bool allowEmpty);
  // The "Value" of the first "Property" child whose "Name" is exactly name; "" when none.
  static StringC GetProperty(TrkInventoryEntityC* entity, const StringC& name);
  // The property of the first "Hardware" child whose "Class" is exactly className; "" when none.
  static StringC GetClassProperty(TrkInventoryEntityC* entity, const StringC& className, const StringC& propertyName);
};
