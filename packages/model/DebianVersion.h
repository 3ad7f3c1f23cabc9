#pragma once
// The order of Debian package versions, as the package tools themselves order them:
// [epoch:]upstream[-revision], epochs by value, then upstream and revision each by runs: a
// run of non-digits character by character (letters first, then other characters, "~" before
// everything, even the end), then a run of digits by value. So 1.0~rc1 comes before 1.0, and
// 1.0 before 1.0a and 1.0+b1.

#include <string_view>

namespace pkg {

// <0, 0 or >0.
int CompareDebianVersions(std::string_view a, std::string_view b);

}  // namespace pkg
