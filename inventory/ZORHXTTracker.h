#pragma once
// ZORHXTTrackerI: the tracker component as the entry and plug-ins see it. The entry creates
// whatever class the name "Tracker" maps to, lets it register its own classes, and runs it; a
// plug-in that registers its own class under "Tracker" replaces the built-in run, and can
// still reach the built-in class by the name "TrackerDefault". Operations are declared in slot
// order; nothing else is virtual at this level.

#include "foundation/com/ComRegistryI.h"
#include "foundation/com/ZORHXContext.h"
#include "inventory/ZORHXTInventory.h"

constexpr ZORGUID IID_ZORHXTTracker = {0x9E4D1B70, 0x52C8, 0x4A0F, {0xB3, 0x16, 0x6A, 0x2F, 0x90, 0xD4, 0x11, 0xC5}};

// The answer of a rule for one inventory entity.
enum TrkResultE { TrkInclude = 0, TrkExclude = 1, TrkNoDecision = 2 };

class ZORHXTTrackerI : public ZORUnknownI {
 public:
  // The whole run; writes its result into *exitCode and returns it.
  virtual hx::ResultT Run(ZORHXContextI* context, int* exitCode) = 0;
  virtual hx::ResultT PostLoadPreferences(ZORHXContextI* context) = 0;
  // The phases of a run, each adding entities to the inventory.
  virtual hx::ResultT TrackHardware(ZORHXTInventoryI* inventory, ZORHXContextI* context) = 0;
  virtual hx::ResultT TrackKeys(ZORHXTInventoryI* inventory, ZORHXContextI* context) = 0;
  virtual hx::ResultT TrackPackages(ZORHXTInventoryI* inventory, ZORHXContextI* context) = 0;
  virtual hx::ResultT TrackContents(ZORHXTInventoryI* inventory, ZORHXContextI* context) = 0;
  virtual hx::ResultT TrackContent(ZORHXTInventoryEntityI* entity, ZORHXContextI* context, TrkResultE* result) = 0;
  // Writes the inventory document to the path.
  virtual hx::ResultT GenerateInventory(ZORHXTInventoryI* inventory, const char* path, ZORHXContextI* context) = 0;
  // Hands the staged inventory to the uploader library.
  virtual hx::ResultT UploadInventory(const char* path, ZORHXContextI* context) = 0;
  // The object every phase is called on (an aggregating outer object, or the tracker itself).
  virtual hx::ResultT SetOuter(ZORHXTTrackerI* outer) = 0;
  // Registers the classes the tracker needs (the hardware providers) with the registry.
  virtual hx::ResultT Register(ComRegistryI* registry) = 0;

 protected:
  ~ZORHXTTrackerI() = default;
};
