#pragma once
// One instance of a hardware class as a provider reports it, and the property map it carries.
//
// Providers fill a shared list of instances (HWInstanceListT); the hardware step writes each
// instance as one "Hardware" element with its properties once every class has run. Instances
// are counted objects, so that a provider running later (the computer system) can look at
// what earlier classes collected without copying it.

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "foundation/core/RefCount.h"
#include "foundation/core/Text.h"

// A map from name to value whose names compare and hash without regard to case. It carries
// the properties of an instance and the parameters that the configuration gives a class.
class PropertyMap {
 public:
  using MapT = std::unordered_map<StringC, StringC, hx::NoCaseHash, hx::NoCaseEqual>;
  using const_iterator = MapT::const_iterator;

  // Puts the pair into the map. An entry whose name is equal ignoring case is replaced, name
  // and all, so the spelling of the last writer is the one reported.
  void put(const StringC& name, const StringC& value);
  // The value, or "" when there is none.
  StringC get(const StringC& name) const;
  bool contains(const StringC& name) const { return map_.find(name) != map_.end(); }
  bool erase(const StringC& name) { return map_.erase(name) != 0; }

  size_t size() const { return map_.size(); }
  bool empty() const { return map_.empty(); }
  const_iterator begin() const { return map_.begin(); }
  const_iterator end() const { return map_.end(); }

  // Every name, sorted by byte-wise comparison of the UTF-8 text (upper case before lower
  // case), which is the order properties are written in.
  StringArrayC SortedNames() const;

 private:
  MapT map_;
};

class HWInstance : public RefCountC {
 public:
  HWInstance(const StringC& className, const StringC& name, const StringC& evidence)
      : className_(className), name_(name), evidence_(evidence) {}

  // Sets a property (see PropertyMap::put).
  void AddProperty(const StringC& name, const StringC& value) { properties_.put(name, value); }
  StringC GetProperty(const StringC& name) const { return properties_.get(name); }

  const StringC& GetClassName() const { return className_; }
  const StringC& GetName() const { return name_; }
  // Empty means the values came from the operating system's own interfaces ("OS API").
  const StringC& GetEvidence() const { return evidence_; }
  const PropertyMap& GetProperties() const { return properties_; }

 protected:
  ~HWInstance() override = default;

 private:
  StringC className_;
  StringC name_;
  StringC evidence_;
  PropertyMap properties_;
};

// The instances of every class of one hardware step, in collection order.
using HWInstanceListT = std::vector<RefM<HWInstance>>;
