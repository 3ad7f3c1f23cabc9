#pragma once
// The language and country of the process's message locale, as used to pick a localised
// message catalog ("allcat.%L.cat" becomes "allcat.deu-de.cat", "allcat.de.cat", ...).

#include <string>
#include <string_view>
#include <vector>

namespace hx {

// Each lower-cased; empty when the locale does not name it (the C locale names none).
struct LocaleRegionT {
  std::string language2;  // two-letter language code ("de")
  std::string language3;  // three-letter language code ("deu")
  std::string country;    // country or region code ("de")
};

// The name of the locale that governs messages: the LC_MESSAGES locale the process has set when
// it is not the C locale, otherwise the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty (what setlocale(LC_MESSAGES, "") would choose), otherwise "C".
std::string MessageLocaleName();

// Reads a locale name "language[_country][.codeset][@modifier]".
LocaleRegionT ParseLocaleRegion(std::string_view name);
LocaleRegionT MessageLocaleRegion();

// The three-letter code of a two-letter language code and back; empty when not known.
std::string LanguageAlpha3(std::string_view alpha2);
std::string LanguageAlpha2(std::string_view alpha3);

// The files to try, in order, for a catalog path that may contain "%L" (see ErrCatalogC).
std::vector<std::string> CatalogPathCandidates(std::string_view path, const LocaleRegionT& region);

}  // namespace hx
