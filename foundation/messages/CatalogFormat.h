#pragma once
// The binary message catalog file. All numbers are big-endian.
//
//   offset 0   8 bytes   magic "kwixcatf" (no terminator)
//   offset 8   4 bytes   N, the number of index entries
//   offset 12  12 x N    index entries, sorted by set number, then message number
//   anywhere             message texts at the offsets the index gives, not terminated
//
// Index entry: set (2 bytes), text length (2), message number (4), absolute text offset (4).

#include <cstddef>
#include <cstdint>

namespace hx {

constexpr char CATALOG_MAGIC[] = "kwixcatf";
constexpr size_t CATALOG_MAGIC_SIZE = 8;
constexpr size_t CATALOG_HEADER_SIZE = 12;
constexpr size_t CATALOG_ENTRY_SIZE = 12;
constexpr uint32_t CATALOG_MAX_TEXT = 0xFFFFu;  // the length field is 16 bits

struct CatalogIndexEntryT {
  uint32_t set = 0;
  uint32_t length = 0;
  uint32_t number = 0;
  uint32_t offset = 0;
};

inline uint32_t ReadBigEndian(const unsigned char* p, size_t size) {
  uint32_t v = 0;
  for (size_t i = 0; i < size; ++i) v = (v << 8) | p[i];
  return v;
}

inline CatalogIndexEntryT DecodeIndexEntry(const unsigned char* p) {
  CatalogIndexEntryT e;
  e.set = ReadBigEndian(p, 2);
  e.length = ReadBigEndian(p + 2, 2);
  e.number = ReadBigEndian(p + 4, 4);
  e.offset = ReadBigEndian(p + 8, 4);
  return e;
}

}  // namespace hx
