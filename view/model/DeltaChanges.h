#pragma once
// What changed in the updated entities of a delta. The delta holds an updated entity as it is
// now; its earlier values are in the base, the full inventory the delta was made against. The
// base is read for the counterparts of the updated entities only (same tag and attributes, as
// the delta matched them), and each is set against its counterpart property by property.
//
// Some properties change at every run on an idle machine (free memory, free disk space, the
// processor's clock of the moment): a change of those alone is ignored, so that what the delta
// says changed is what an administrator wants to see.

#include <set>
#include <string>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "view/model/ViewModel.h"

namespace hxview {

// The properties ignored unless the command line names others: CLASS.PROPERTY each.
const std::set<std::string>& DefaultIgnored();

// Reads the base of a delta (a full inventory, .hxi or .hxi.gz) for the counterparts of the
// delta's updated entities, and sets doc->changes: the updated entities with at least one
// change past the ignored properties. RC_OK, or a failure with *why saying what went wrong.
HX_NODISCARD hx::ResultT ReadBase(const std::string& path, const std::set<std::string>& ignored, ViewDocT* doc, std::string* why);

// The changes of the updated entities against their counterparts in the base, in the order of
// the delta. Entities alike in every value are set aside first; the rest are paired in order,
// and a different number of them is said as a change of "(instances)".
std::vector<ChangedEntityT> CompareWithBase(const std::vector<EntityT>& updated, const std::vector<EntityT>& base,
                                            const std::set<std::string>& ignored);

}  // namespace hxview
