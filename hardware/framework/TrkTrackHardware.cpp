#include "hardware/framework/TrkTrackHardware.h"

hx::ResultT TrkTrackHardwareC::Track(ZORHXTInventoryI* /*inventory*/, ZORHXTTrackerI* /*tracker*/,
                                     ZORHXContextI* /*context*/) {
  return hx::RC_NOT_IMPL;
}
