#pragma once
// The component factory of inventory entities, for callers that create them through the
// component registry. An entity it makes is a root: its tag is "Inventory".

#include "foundation/com/ComFactory.h"

class TrkInventoryEntityFactoryC : public ComFactoryC {
 public:
  static constexpr const char* c_ClassName = "TrkInventoryEntity";
  static constexpr const char* c_ProgId = "ZOR.hX.Tracker.TrkInventoryEntity.1";

  TrkInventoryEntityFactoryC() : ComFactoryC(c_ClassName, c_ProgId) {}
  ZORUnknownI* CreateObject() override;
  static ComFactoryC* Clone() { return new TrkInventoryEntityFactoryC; }
};
