#pragma once
// Whole runs of bin/hxtrack with the shipped configuration (its Linux class list, the Linux
// module from the build's plug-in directory), and their inventories read back with expat as
// class -> instance -> property -> value.

#include <expat.h>

#include "app/AppTestSupport.h"

namespace linuxtest {

using PropertiesT = std::map<std::string, std::string>;
using InventoryT = std::map<std::string, std::map<std::string, PropertiesT>>;

// The Hardware elements of an inventory document; a failure when it is not well-formed.
inline InventoryT ReadInventory(const std::string& xml) {
  struct StateT {
    InventoryT inventory;
    PropertiesT* current = nullptr;
  } state;
  XML_Parser p = XML_ParserCreate("UTF-8");
  XML_SetUserData(p, &state);
  XML_SetStartElementHandler(p, [](void* self, const char* tag, const char** atts) {
    auto* s = static_cast<StateT*>(self);
    std::map<std::string, std::string> a;
    for (; *atts != nullptr; atts += 2) a[atts[0]] = atts[1];
    if (std::strcmp(tag, "Hardware") == 0)
      s->current = &s->inventory[a["Class"]][a["Name"]];
    else if (std::strcmp(tag, "Property") == 0 && s->current != nullptr)
      (*s->current)[a["Name"]] = a["Value"];
  });
  XML_SetEndElementHandler(p, [](void* self, const char* tag) {
    if (std::strcmp(tag, "Hardware") == 0) static_cast<StateT*>(self)->current = nullptr;
  });
  EXPECT_EQ(XML_Parse(p, xml.data(), static_cast<int>(xml.size()), XML_TRUE), XML_STATUS_OK) << xml.substr(0, 2000);
  XML_ParserFree(p);
  return state.inventory;
}

// One property of one instance ("" when either is missing).
inline std::string ValueOf(const InventoryT& inventory, const std::string& className, const std::string& instance,
                           const std::string& property) {
  const auto c = inventory.find(className);
  if (c == inventory.end()) return std::string();
  const auto i = c->second.find(instance);
  if (i == c->second.end()) return std::string();
  const auto v = i->second.find(property);
  return v == i->second.end() ? std::string() : v->second;
}

// The names of a class's instances, sorted.
inline std::set<std::string> InstancesOf(const InventoryT& inventory, const std::string& className) {
  std::set<std::string> names;
  const auto c = inventory.find(className);
  if (c != inventory.end())
    for (const auto& [name, properties] : c->second) names.insert(name);
  return names;
}

}  // namespace linuxtest
