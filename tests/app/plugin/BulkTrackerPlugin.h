#pragma once
// What the tests and the bulk tracker plug-in agree on.

#include "foundation/com/ZORGuid.h"

constexpr ZORGUID CLSID_BulkTracker = {0x3F1A9C42, 0x7B0E, 0x4D25, {0xA1, 0x6C, 0x58, 0xE3, 0x0D, 0x92, 0x4B, 0x17}};
// The preference with the number of file entities the plug-in adds to the inventory.
constexpr const char* c_BulkTrackerEntities = "BulkTrackerEntities";
