#include "hardware/solaris/topology/KStatUtil.h"

#include <cerrno>
#include <cstdlib>

namespace {
constexpr int c_Decimal = 10;
}

StringC KStatUtilC::knamedAsString(const StringC& value) { return hx::Trim(hx::ToValidUtf8(value)); }

int64_t KStatUtilC::knamedAsInt(const StringC& value) {
  const std::string text = hx::Trim(value);
  errno = 0;
  const long long n = std::strtoll(text.c_str(), nullptr, c_Decimal);
  return errno == ERANGE ? 0 : static_cast<int64_t>(n);
}
