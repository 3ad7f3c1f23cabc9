#pragma once
// TrkDigestKeyT: an entity digest as its 16 bytes. The indexes of a read inventory hold two keys
// per top-level entity (400,000 for a scan of 200,000 files); as 32-character texts each copy
// would cost an allocation.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"

// The 128 bits of an entity digest.
struct TrkDigestKeyT {
  uint64_t hi = 0;
  uint64_t lo = 0;

  // From 32 hexadecimal digits (either case); false for anything else.
  HX_NODISCARD static bool FromHex(std::string_view hex, TrkDigestKeyT* key);
  // The 32 lower-case hexadecimal digits the digest is written as.
  StringC Hex() const;
  operator StringC() const { return Hex(); }
  bool operator==(const TrkDigestKeyT& o) const { return hi == o.hi && lo == o.lo; }
};

struct TrkDigestKeyHashT {
  // Digest bits are evenly spread already.
  size_t operator()(const TrkDigestKeyT& k) const { return static_cast<size_t>(k.hi ^ (k.lo >> 1)); }
};

