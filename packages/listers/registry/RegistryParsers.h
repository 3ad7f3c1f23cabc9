#pragma once
// Readers of the two installer registries, as pure functions over the text of one registry
// file: the InstallAnywhere registry (".com.zerog.registry.xml": "products" holding "product"
// elements) and the BEA/Oracle product registry ("registry.xml": "bea-product-information"
// holding products, their releases and the releases' components); and the BEA home list
// ("bea/beahomelist": BEA home directories separated by ";").

#include <memory>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "packages/model/PackageInfo.h"

namespace trk {

using RegistryCollectionT = std::vector<std::unique_ptr<PackageInfoC>>;

// The publisher every BEA/Oracle package carries.
constexpr const char* c_BeaPublisher = "Oracle Corporation";

// Adds the products of an InstallAnywhere registry as "IA" packages. A text that is not
// well-formed contributes the packages read before the fault, and the parser's failure is
// returned.
HX_NODISCARD hx::ResultT ReadIARegistry(std::string_view text, RegistryCollectionT* collection);
// Adds the releases and components of a BEA registry as "BEA" packages; failures as above.
HX_NODISCARD hx::ResultT ReadBEARegistry(std::string_view text, RegistryCollectionT* collection);
// The BEA home directories of a home list: every line split at ";", each item trimmed, empty
// items dropped.
StringArrayC SplitBeaHomeList(std::string_view text);

}  // namespace trk
