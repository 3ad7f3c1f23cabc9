#include "inventory/TrkInventoryEntityFactory.h"

#include "inventory/InventoryCodes.h"
#include "inventory/TrkInventoryEntity.h"

ZORUnknownI* TrkInventoryEntityFactoryC::CreateObject() {
  return static_cast<ZORHXTInventoryEntityI*>(new TrkInventoryEntityC(trk::c_InventoryRootTag));
}
