#include "foundation/messages/LocaleRegion.h"

#include <clocale>
#include <cstdlib>

#include "foundation/core/Text.h"

namespace hx {
namespace {

// Two- and three-letter language codes of the languages the agent is translated into and of
// the other common ones; the three-letter codes are the terminology forms.
struct LanguageCodeT {
  const char* alpha2;
  const char* alpha3;
};
constexpr LanguageCodeT kLanguages[] = {
    {"ar", "ara"}, {"bg", "bul"}, {"ca", "cat"}, {"cs", "ces"}, {"cy", "cym"}, {"da", "dan"},
    {"de", "deu"}, {"el", "ell"}, {"en", "eng"}, {"es", "spa"}, {"et", "est"}, {"eu", "eus"},
    {"fa", "fas"}, {"fi", "fin"}, {"fr", "fra"}, {"ga", "gle"}, {"gl", "glg"}, {"he", "heb"},
    {"hi", "hin"}, {"hr", "hrv"}, {"hu", "hun"}, {"hy", "hye"}, {"id", "ind"}, {"is", "isl"},
    {"it", "ita"}, {"ja", "jpn"}, {"ka", "kat"}, {"kk", "kaz"}, {"ko", "kor"}, {"lt", "lit"},
    {"lv", "lav"}, {"mk", "mkd"}, {"ms", "msa"}, {"mt", "mlt"}, {"nb", "nob"}, {"nl", "nld"},
    {"nn", "nno"}, {"no", "nor"}, {"pl", "pol"}, {"pt", "por"}, {"ro", "ron"}, {"ru", "rus"},
    {"sk", "slk"}, {"sl", "slv"}, {"sq", "sqi"}, {"sr", "srp"}, {"sv", "swe"}, {"th", "tha"},
    {"tr", "tur"}, {"uk", "ukr"}, {"ur", "urd"}, {"vi", "vie"}, {"zh", "zho"},
};

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsAsciiLetters(std::string_view s) {
  for (char c : s) {
    if (!IsAsciiLetter(c)) return false;
  }
  return true;
}

bool IsAsciiAlnum(std::string_view s) {
  for (char c : s) {
    if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

bool IsCLocale(std::string_view name) { return name.empty() || name == "C" || name == "POSIX"; }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The path tried when no localised file opens: the "%L" removed together with the separator
// in front of it, so "allcat.%L.cat" falls back to "allcat.cat" and "msg/%L/x.cat" to
// "msg/x.cat".
std::string FallbackPath(std::string prefix, std::string_view suffix) {
  if (prefix.size() > 1 && prefix.back() == '.') prefix.pop_back();
  if (!prefix.empty() && !suffix.empty() && IsSeparator(prefix.back()) && prefix.back() == suffix[0]) {
    prefix.pop_back();
  }
  if (prefix.empty() && !suffix.empty() && IsSeparator(suffix[0])) prefix = ".";
  return prefix + std::string(suffix);
}

}  // namespace

std::string LanguageAlpha3(std::string_view alpha2) {
  const std::string key = ToLower(alpha2);
  for (const auto& l : kLanguages) {
    if (key == l.alpha2) return l.alpha3;
  }
  return std::string();
}

std::string LanguageAlpha2(std::string_view alpha3) {
  const std::string key = ToLower(alpha3);
  for (const auto& l : kLanguages) {
    if (key == l.alpha3) return l.alpha2;
  }
  return std::string();
}

std::string MessageLocaleName() {
  const char* set = std::setlocale(LC_MESSAGES, nullptr);
  if (set != nullptr && !IsCLocale(set)) return set;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

LocaleRegionT ParseLocaleRegion(std::string_view name) {
  LocaleRegionT region;
  std::string_view rest = name.substr(0, name.find_first_of(".@"));
  if (IsCLocale(rest)) return region;
  const size_t sep = rest.find_first_of("_-");
  const std::string_view language = rest.substr(0, sep);
  const std::string_view country = sep == std::string_view::npos ? std::string_view() : rest.substr(sep + 1);
  if (language.size() == 2 && IsAsciiLetters(language)) {
    region.language2 = ToLower(language);
    region.language3 = LanguageAlpha3(language);
  } else if (language.size() == 3 && IsAsciiLetters(language)) {
    region.language3 = ToLower(language);
    region.language2 = LanguageAlpha2(language);
  } else {
    return region;  // not a language code: no localised catalog can match
  }
  if (!country.empty() && country.size() <= 3 && IsAsciiAlnum(country)) region.country = ToLower(country);
  return region;
}

LocaleRegionT MessageLocaleRegion() { return ParseLocaleRegion(MessageLocaleName()); }

std::vector<std::string> CatalogPathCandidates(std::string_view path, const LocaleRegionT& region) {
  std::vector<std::string> paths;
  const size_t at = path.find("%L");
  if (at == std::string_view::npos) {
    if (!path.empty()) paths.emplace_back(path);
    return paths;
  }
  const std::string prefix(path.substr(0, at));
  const std::string_view suffix = path.substr(at + 2);
  // A code the locale does not name is skipped rather than tried as an empty name.
  const std::string* languages[] = {&region.language3, &region.language2};
  if (!region.country.empty()) {
    for (const std::string* lang : languages) {
      if (!lang->empty()) paths.push_back(prefix + *lang + "-" + region.country + std::string(suffix));
    }
  }
  for (const std::string* lang : languages) {
    if (!lang->empty()) paths.push_back(prefix + *lang + std::string(suffix));
  }
  paths.push_back(FallbackPath(prefix, suffix));
  return paths;
}

}  // namespace hx
