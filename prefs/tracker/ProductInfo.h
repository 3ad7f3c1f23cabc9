#pragma once
// The build's product information: the title and version the tracker reports (preferences
// Title and Version) and shows to the user.

namespace trk {

constexpr const char* c_ProductTitle = "Prandex";
constexpr const char* c_ProductVersion = "9.2.0";

}  // namespace trk
