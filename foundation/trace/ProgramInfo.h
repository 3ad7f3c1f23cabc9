#pragma once
// Facts about the running program that the trace header and the loader of logger modules need.

#include <string>

namespace hx {

// The absolute path of the running executable; "" when the system does not tell.
std::string ExecutablePath();

}  // namespace hx
