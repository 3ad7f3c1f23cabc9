#pragma once
// The identifiers of the inventory's component faces and of the entity class.
//
// They are declared here and defined once in InventoryGuids.cpp rather than as constexpr
// constants in the header: ComObjectM takes the interface identifier as a reference template
// argument, so every translation unit must name the same object, or the entity's base class
// would be a different type in each of them. An inline variable would do that too, but it
// becomes a process-unique symbol that keeps a component module from being unloaded.

#include "foundation/com/ZORGuid.h"

extern const ZORGUID IID_ZORHXTInventoryEntity;
extern const ZORGUID IID_ZORHXTInventory;
extern const ZORGUID CLSID_TrkInventoryEntity;
