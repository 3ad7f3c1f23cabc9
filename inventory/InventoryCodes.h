#pragma once
// Constants of the inventory document: its identity in the DOCTYPE, the trace categories, and
// the limits the reader enforces on a document that comes from disk.

#include <cstddef>

#include "foundation/core/Result.h"

namespace trk {

// The DOCTYPE of every inventory names the root "Inventory" and points at the document type
// definition. Receivers key on the public identifier; the DTD is never fetched by anybody.
constexpr const char* c_InventoryRootTag = "Inventory";
constexpr const char* c_InventoryPublicId = "Inventory";
constexpr const char* c_InventorySystemId = "http://dtd.tarvosk.com/inventory.dtd";

constexpr const char* c_TraceInventory = "Tracker/Inventory";
constexpr const char* c_TraceInventoryRead = "Tracker/Inventory/Read";
constexpr const char* c_TraceInventoryDiff = "Tracker/Inventory/Diff";

// A failed write whose errno was left at 0 still has to fail with an operating-system code.
constexpr hx::ResultT RC_WRITE_FAILED = hx::RcFromErrno(5);

}  // namespace trk
