#pragma once
// Message catalog sources and images. A source holds one message per line:
//
//   # comment
//   189 10 Inventory tracking started
//   0xBD 0x0B \x01\x01i\x01Finished %1$s
//
// set and message number in decimal or 0x hexadecimal, then blanks, then the text to the end
// of the line. In the text: \n, \t, \r, \\, \xHH (one or two hex digits) and \ooo (one to
// three octal digits, so \1 is the markup separator 0x01). Blank lines and lines whose first
// non-blank character is '#' are skipped. The image is the binary catalog of CatalogFormat.h
// with the entries sorted; dumping an image gives a source that compiles to the same image.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/core/Nodiscard.h"

namespace hx {

struct CatalogEntryT {
  uint32_t set = 0;
  uint32_t number = 0;
  std::string text;
  bool operator==(const CatalogEntryT& o) const { return set == o.set && number == o.number && text == o.text; }
};

// Reads a source. On failure returns false with `error` naming the line ("line 7: ...").
HX_NODISCARD bool ParseCatalogSource(std::string_view source, std::vector<CatalogEntryT>& entries, std::string& error);
// The image of `entries`, sorted by set and number. The entries must be unique and within the
// limits ParseCatalogSource enforces.
std::string BuildCatalogImage(std::vector<CatalogEntryT> entries);
HX_NODISCARD bool CompileCatalog(std::string_view source, std::string& image, std::string& error);

// Reads an image. On failure (no magic, index or a text outside the image) returns false with
// `error` saying what is wrong.
HX_NODISCARD bool ReadCatalogImage(std::string_view image, std::vector<CatalogEntryT>& entries, std::string& error);
// Describes the first place where entries are out of order or repeated; empty when the index
// is sorted and unique, as lookups need it to be.
std::string CheckCatalogOrder(const std::vector<CatalogEntryT>& entries);
// The source form of entries, in their order.
std::string FormatCatalogSource(const std::vector<CatalogEntryT>& entries);
// The source of an image. A structurally broken image gives false; an image whose index is
// out of order is dumped all the same and reported in `error`, returning false.
HX_NODISCARD bool DumpCatalog(std::string_view image, std::string& source, std::string& error);

}  // namespace hx
