#include "hardware/unix/HWClass_UnixComputerSystemFixup.h"

hx::ResultT HWClass_UnixComputerSystemFixup::GetInventory(HWInstanceListT& /*instances*/, StringC /*className*/,
                                                          const PropertyMap& /*parameters*/) {
  return hx::RC_OK;
}
