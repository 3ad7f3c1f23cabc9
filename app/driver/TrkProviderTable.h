#pragma once
// The hardware provider classes that the Unix tracker registers with the component registry
// before its run, so that the hardware step can create each provider by the class name that
// the configuration's class list gives.

#include "foundation/com/ComServer.h"

namespace trk {

// The null-terminated table of provider classes: one entry per class, binding its class
// identifier (CLSID_<class>) to its factory, whose short name is the name the configuration
// uses.
ComObjectEntryC** UnixProviderTable();

}  // namespace trk
