#include "view/model/DeltaChanges.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "view/model/InventoryStream.h"

namespace hxview {

namespace {

constexpr const char* c_Instances = "(instances)";
constexpr const char* c_Joined = "; ";

using GroupT = std::vector<const EntityT*>;

// The entities of each key, and the keys in order of first appearance.
void Group(const std::vector<EntityT>& entities, std::unordered_map<std::string, GroupT>* groups,
           std::vector<std::string>* order) {
  for (const EntityT& e : entities) {
    GroupT& g = (*groups)[e.key];
    if (g.empty() && order != nullptr) order->push_back(e.key);
    g.push_back(&e);
  }
}

// The properties of one entity set against its earlier self; a property named twice shows
// its values joined.
void Compare(const EntityT& before, const EntityT& after, const std::set<std::string>& ignored, ChangedEntityT* out) {
  std::vector<std::string> names;
  std::unordered_map<std::string, std::pair<std::string, std::string>> values;
  auto add = [&](const EntityT& e, bool isAfter) {
    for (const auto& v : e.values) {
      auto found = values.find(v.first);
      if (found == values.end()) {
        names.push_back(v.first);
        found = values.emplace(v.first, std::pair<std::string, std::string>()).first;
      }
      std::string& value = isAfter ? found->second.second : found->second.first;
      value += (value.empty() ? "" : c_Joined) + v.second;
    }
  };
  add(after, true);
  add(before, false);
  for (const std::string& name : names) {
    const auto& v = values[name];
    if (v.first != v.second && ignored.count(after.kind + "." + name) == 0)
      out->changes.push_back({name, v.first, v.second});
  }
}

}  // namespace

const std::set<std::string>& DefaultIgnored() {
  static const std::set<std::string> ignored{
      "TVK_OperatingSystem.FreePhysicalMemory",
      "TVK_LogicalDisk.FreeSpace",
      "TVK_Processor.CurrentClockSpeed",
  };
  return ignored;
}

std::vector<ChangedEntityT> CompareWithBase(const std::vector<EntityT>& updated, const std::vector<EntityT>& base,
                                            const std::set<std::string>& ignored) {
  std::unordered_map<std::string, GroupT> now, before;
  std::vector<std::string> order;
  Group(updated, &now, &order);
  Group(base, &before, nullptr);
  std::vector<ChangedEntityT> changed;
  for (const std::string& key : order) {
    GroupT after = now[key], earlier = before[key];
    const size_t countNow = after.size(), countBefore = earlier.size();
    // An entity alike in every value on both sides did not change, wherever it stands.
    for (auto a = after.begin(); a != after.end();) {
      auto match = std::find_if(earlier.begin(), earlier.end(), [&](const EntityT* b) { return b->values == (*a)->values; });
      if (match == earlier.end()) {
        ++a;
      } else {
        earlier.erase(match);
        a = after.erase(a);
      }
    }
    ChangedEntityT entity{now[key].front()->kind, now[key].front()->label, {}};
    for (size_t i = 0; i < after.size() && i < earlier.size(); ++i) Compare(*earlier[i], *after[i], ignored, &entity);
    if (countNow != countBefore) entity.changes.push_back({c_Instances, std::to_string(countBefore), std::to_string(countNow)});
    if (!entity.changes.empty()) changed.push_back(std::move(entity));
  }
  return changed;
}

hx::ResultT ReadBase(const std::string& path, const std::set<std::string>& ignored, ViewDocT* doc, std::string* why) {
  std::unordered_set<std::string> keys;
  for (const EntityT& e : doc->updated.entities) keys.insert(e.key);
  ViewDocT base;
  hx::ResultT r = ReadInventoryFile(path, &base, why, &keys);
  if (hx::Succeeded(r) && base.delta) {
    *why = path + ": a delta, not the full inventory a delta is made against";
    r = hx::RC_FAIL;
  }
  if (hx::Failed(r)) return r;
  doc->changes = CompareWithBase(doc->updated.entities, base.full.entities, ignored);
  doc->baseRead = true;
  return hx::RC_OK;
}

}  // namespace hxview
