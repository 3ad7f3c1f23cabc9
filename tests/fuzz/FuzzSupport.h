#pragma once
// What every fuzz target shares: the input as text, a check that ends the run with a crash
// report when a property does not hold, and a scratch file that holds the input for parsers
// that read files.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace hxfuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

inline std::string Text(const uint8_t* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }

// A directory of the process's own for the scratch files, made on first use.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/hxfuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return dir;
}

// The file `name` in the scratch directory, rewritten with the input; "" when it cannot be.
inline std::string Scratch(const char* name, const uint8_t* data, size_t size) {
  const std::string path = ScratchDir() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return "";
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok ? path : "";
}

}  // namespace hxfuzz
