#pragma once
// Whether a program the providers run by its fixed path is there to be run: a regular file at
// that path, under the system root when one is set (where the command runner will look).

#include <string_view>

namespace hx {

bool SystemToolExists(std::string_view fixedPath);

}  // namespace hx
