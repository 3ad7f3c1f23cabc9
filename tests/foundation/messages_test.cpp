// Messages: markup and severities, the per-thread error buffer and its trace, binary catalogs (lookup,
// damaged files, the file chosen by locale through %L), the lookup order of the module catalog,
// and the catalog compiler behind hxcatc.

#include <stdlib.h>

#include "foundation/core/Result.h"
#include "foundation/messages/CatalogCompiler.h"
#include "foundation/messages/ErrCatSwitch.h"
#include "foundation/messages/Errors.h"
#include "foundation/messages/MessageId.h"
#include "support/TestSupport.h"

namespace {

using hx::CatalogEntryT;
using hx::MsgLogId;

constexpr uint32_t kTrackerSet = 189;

// The locale variables of one test: LC_ALL, LC_MESSAGES and LANG (null: unset).
void SetLocale(hxtest::ScopedEnvC& env, const char* lcAll, const char* lcMessages, const char* lang) {
  env.Set("LC_ALL", lcAll);
  env.Set("LC_MESSAGES", lcMessages);
  env.Set("LANG", lang);
}

void WriteCatalog(const std::string& path, const std::vector<CatalogEntryT>& entries) {
  hxtest::WriteFile(path, hx::BuildCatalogImage(entries));
}

// A catalog image with `bytes` written over it at `at` (numbers in the image are big-endian).
std::string Patched(std::string image, size_t at, const std::string& bytes) {
  image.replace(at, bytes.size(), bytes);
  return image;
}

// Field offsets of index entry i.
size_t EntryAt(size_t i) { return 12 + 12 * i; }

const hx::LocaleRegionT kCLocale{};

std::string Lookup(const ErrCatalogC& cat, int32_t id, const char* dflt, ErrSevT* sevOut = nullptr) {
  ErrSevT sev = ErrSevNone;
  std::string text = cat.getMessage(sev, id, dflt);
  if (sevOut) *sevOut = sev;
  return text;
}

const std::vector<CatalogEntryT> kTrackerEntries = {
    {kTrackerSet, 10, "Catalog text %1$s"},
    {kTrackerSet, 265, "\x01\x01i\x01Preferences loaded"},
    {kTrackerSet, 12, "Disk full\x01No space left\x01" "Free some space"},
    {190, 10, "Other set"},
    {188, 11, "{w} Warned"},
    {kTrackerSet, 13, "{Xi}Gated"},
};

TEST(MessagesCatalog, LookupByIdWithMarkupAndDefaults) {
  hxtest::TempDirC dir("hxmsg");
  WriteCatalog(dir.File("t.cat"), kTrackerEntries);
  const ErrCatalogC cat(dir.File("t.cat"), kCLocale);
  ASSERT_TRUE(cat.isOpen());
  EXPECT_EQ(cat.count(), kTrackerEntries.size());

  struct Case { uint32_t id; const char* dflt; const char* want; ErrSevT sev; };
  const Case cases[] = {
      {0xE0BD000A, "Default", "Catalog text %1$s", ErrSevError},
      {0xE0BD0109, nullptr, "Preferences loaded", ErrSevInformation},
      {0xE0BE000A, "Default", "Other set", ErrSevError},
      {0xE0BC000B, "Default", "Warned", ErrSevWarning},
      // Bits 31, 30 and 28 play no part in the lookup.
      {0x30BD000A, "Default", "Catalog text %1$s", ErrSevError},
      // Number 11 exists only in set 188: another set never matches.
      {0xE0BD000B, "\x01\x01i\x01" "Default", "Default", ErrSevInformation},
      // Without the catalog bit the file is never consulted, even for a key it holds.
      {0xC0BD000A, "Default", "Default", ErrSevError},
  };
  for (const Case& c : cases) {
    ErrSevT sev = ErrSevNone;
    EXPECT_EQ(Lookup(cat, static_cast<int32_t>(c.id), c.dflt, &sev), c.want) << std::hex << c.id;
    EXPECT_EQ(sev, c.sev) << std::hex << c.id;
  }
  EXPECT_EQ(cat.getMessage(static_cast<int32_t>(0xE0BD0109)), std::string("\x01\x01i\x01Preferences loaded"));
  EXPECT_FALSE(cat.getMessage(static_cast<int32_t>(0xC0BD000A)).has_value());
}

// A gated severity letter counts only once the user level opens it.
TEST(MessagesCatalog, UserLevelOpensGatedSeverities) {
  hxtest::TempDirC dir("hxmsg");
  WriteCatalog(dir.File("t.cat"), kTrackerEntries);
  ErrCatalogC cat(dir.File("t.cat"), kCLocale);
  for (const auto& [level, sev] : {std::pair<const char*, ErrSevT>{"", ErrSevError}, {"XY", ErrSevInformation}}) {
    if (*level) cat.setUserLevel(level);
    ErrSevT got = ErrSevNone;
    EXPECT_EQ(Lookup(cat, static_cast<int32_t>(0xE0BD000D), nullptr, &got), "Gated");
    EXPECT_EQ(got, sev) << level;
  }
}

TEST(MessagesCatalog, EveryEntryOfALargeCatalogIsFound) {
  hxtest::TempDirC dir("hxmsg");
  std::vector<CatalogEntryT> entries;
  for (uint32_t set = 1; set <= 7; ++set) {
    for (uint32_t n = 0; n < 300; n += (set % 3) + 1) entries.push_back({set, n, hx::Format("s%um%u", set, n)});
  }
  WriteCatalog(dir.File("big.cat"), entries);
  const ErrCatalogC cat(dir.File("big.cat"), kCLocale);
  for (const auto& e : entries) {
    EXPECT_EQ(cat.getMessage(MsgLogId(e.set, e.number)), e.text);
    EXPECT_FALSE(cat.getMessage(MsgLogId(e.set, e.number + 1000)).has_value());
  }
  EXPECT_FALSE(cat.getMessage(MsgLogId(0, 0)).has_value());
  EXPECT_FALSE(cat.getMessage(MsgLogId(8, 0)).has_value());
}

TEST(MessagesCatalog, EmptyAndUnopenableCatalogsGiveDefaults) {
  hxtest::TempDirC dir("hxmsg");
  WriteCatalog(dir.File("empty.cat"), {});
  ASSERT_EQ(mkfifo((dir.File("fifo.cat")).c_str(), 0600), 0);
  ASSERT_EQ(mkdir((dir.File("dir.cat")).c_str(), 0700), 0);
  // N = 0: the file opens but holds nothing; a FIFO or directory in the catalog's place is no
  // catalog (and opening the FIFO must not wait for a writer).
  for (const std::string& path : {dir.File("empty.cat"), dir.File("fifo.cat"), dir.File("dir.cat"), dir.File("missing.cat"),
                                 std::string()}) {
    const ErrCatalogC cat(path, kCLocale);
    EXPECT_EQ(cat.isOpen(), path == dir.File("empty.cat")) << path;
    EXPECT_EQ(Lookup(cat, static_cast<int32_t>(0xE0BD000A), "Default"), "Default") << path;
    EXPECT_FALSE(cat.getMessage(static_cast<int32_t>(0xE0BD000A)).has_value()) << path;
  }
}

// Damaged files give the default text (never a read outside the file: the fuzz target and the
// sanitizer build look after that).
TEST(MessagesCatalog, DamagedCatalogsGiveTheDefault) {
  const std::string good = hx::BuildCatalogImage({{kTrackerSet, 10, "Ten"}, {kTrackerSet, 20, "Twenty"}});
  const std::pair<const char*, std::string> cases[] = {
      {"zero-length file", ""},
      {"header cut short", good.substr(0, 11)},
      {"wrong magic", Patched(good, 0, "K")},
      {"index cut inside an entry", good.substr(0, 12 + 12 + 5)},
      {"N far larger than the file", Patched(good, 8, "\xff\xff\xff\xff")},
      {"text offset past the end", Patched(good, EntryAt(0) + 8, "\xff\xff\xff\xf0")},
      {"text length past the end", Patched(good, EntryAt(0) + 2, "\xff\xff")},
  };
  hxtest::TempDirC dir("hxmsg");
  for (const auto& [name, image] : cases) {
    hxtest::WriteFile(dir.File("bad.cat"), image);
    EXPECT_EQ(Lookup(ErrCatalogC(dir.File("bad.cat"), kCLocale), static_cast<int32_t>(0xE0BD000A), "D"), "D") << name;
  }
}

TEST(MessagesLocale, CatalogPathCandidatesInSearchOrder) {
  const hx::LocaleRegionT enUs{"en", "eng", "us"};
  const hx::LocaleRegionT fr{"fr", "fra", ""};
  struct Case { const char* path; hx::LocaleRegionT region; std::vector<std::string> want; };
  const Case cases[] = {
      {"allcat.%L.cat", enUs,
       {"allcat.eng-us.cat", "allcat.en-us.cat", "allcat.eng.cat", "allcat.en.cat", "allcat.cat"}},
      {"/opt/t/lib/%L/msg.cat", fr, {"/opt/t/lib/fra/msg.cat", "/opt/t/lib/fr/msg.cat", "/opt/t/lib/msg.cat"}},
      {"%L/msg.cat", fr, {"fra/msg.cat", "fr/msg.cat", "./msg.cat"}},
      {".%L.cat", fr, {".fra.cat", ".fr.cat", "..cat"}},
      {"hxtmsg%L", fr, {"hxtmsgfra", "hxtmsgfr", "hxtmsg"}},
      {"allcat.%L.cat", kCLocale, {"allcat.cat"}},
      {"hxtmsg.cat", enUs, {"hxtmsg.cat"}},
      {"", enUs, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(hx::CatalogPathCandidates(c.path, c.region), c.want) << c.path;
}

// The catalog is chosen by the process locale from the environment, first file that exists.
TEST(MessagesLocale, PercentLPicksTheFileOfTheProcessLocale) {
  // want: the file opened, "" for none
  struct Case { std::vector<std::string> files; const char *lcAll, *lcMessages, *lang, *want; };
  const Case cases[] = {
      {{"en-us", "eng", "en", "base"}, nullptr, nullptr, "en_US.UTF-8", "en-us"},
      {{"eng-us", "en"}, nullptr, nullptr, "de_DE", ""},
      {{"de", "fr", "base"}, "de_AT.UTF-8", "fr_FR", "en_US", "de"},
      {{"de", "fr", "base"}, nullptr, "fr_FR", "de_DE", "fr"},
      {{"de", "fr", "base"}, "", "", "de_DE", "de"},
      {{"de", "base"}, nullptr, nullptr, nullptr, "base"},
  };
  for (const Case& c : cases) {
    hxtest::TempDirC dir("hxmsg");
    for (const std::string& f : c.files) {
      WriteCatalog(dir.File("allcat." + (f == "base" ? std::string() : f + ".") + "cat"), {{kTrackerSet, 10, f}});
    }
    hxtest::ScopedEnvC env;
    SetLocale(env, c.lcAll, c.lcMessages, c.lang);
    const ErrCatalogC cat(dir.File("allcat.%L.cat"));
    const std::string got = cat.isOpen() ? *cat.getMessage(static_cast<int32_t>(0xE0BD000A)) : "";
    EXPECT_EQ(got, c.want) << (c.lang ? c.lang : "(no LANG)");
    EXPECT_EQ(cat.path(), dir.File("allcat.%L.cat"));
  }
}

// The module catalog of the locale below the install directory, then system texts, then the
// default text with its markup.
TEST(MessagesCatSwitch, LookupOrder) {
  hxtest::TempDirC dir("hxmsg");
  ASSERT_EQ(mkdir((dir.File("lib")).c_str(), 0700), 0);
  WriteCatalog(dir.File("lib/allcat.de.cat"), {{kTrackerSet, 10, "Module text"}});
  hxtest::ScopedEnvC env;
  SetLocale(env, nullptr, nullptr, "de_DE.UTF-8");
  hx::SetInstallDirSource([&] { return dir.Path(); });
  ErrCatSwitchC sw;
  sw.openModuleCatalog();
  hx::SetInstallDirSource(nullptr);
  ASSERT_TRUE(sw.moduleCatalog()->isOpen());

  struct Case { uint32_t id; const char* dflt; std::string want; ErrSevT sev; };
  const Case cases[] = {
      {0xE0BD000A, "Default", "Module text", ErrSevError},
      {0xE0BD000C, "{w} Default", "Default", ErrSevWarning},
      {0xE0BD000C, "Plain {default}", "Plain {default}", ErrSevError},
      {0xE0BD000C, nullptr, "", ErrSevError},
      {static_cast<uint32_t>(hx::RcFromErrno(ENOENT)), "Default", std::strerror(ENOENT), ErrSevError},
      {0x80000001, "Generic failure", "Generic failure", ErrSevError},
  };
  for (const Case& c : cases) {
    ErrSevT sev = ErrSevNone;
    EXPECT_EQ(sw.getMessage(sev, static_cast<int32_t>(c.id), c.dflt), c.want) << std::hex << c.id;
    EXPECT_EQ(sev, c.sev) << std::hex << c.id;
  }
}

std::string Compile(const std::string& source) {
  std::string image, error;
  EXPECT_TRUE(hx::CompileCatalog(source, image, error)) << error;
  return image;
}

std::string Dump(const std::string& image) {
  std::string source, error;
  EXPECT_TRUE(hx::DumpCatalog(image, source, error)) << error;
  return source;
}

TEST(MessagesCompiler, ImageLayoutIsBigEndianAndSorted) {
  const std::string image = Compile("2 1 cd\n1 0x102 ab\n");
  const std::string want = std::string("kwixcatf") +
                           std::string("\x00\x00\x00\x02", 4) +
                           // set 1, length 2, number 0x102, offset 36
                           std::string("\x00\x01\x00\x02\x00\x00\x01\x02\x00\x00\x00\x24", 12) +
                           // set 2, length 2, number 1, offset 38
                           std::string("\x00\x02\x00\x02\x00\x00\x00\x01\x00\x00\x00\x26", 12) + "abcd";
  EXPECT_EQ(image, want);
}

// Compiling and dumping: the dump is the canonical source (sorted, decimal, escaped), and it
// compiles back to the same image.
TEST(MessagesCompiler, RoundTrip) {
  // The cases: a source, then its dump; and a source whose last line has no line end.
  std::vector<hxtest::TextCaseT> cases = hxtest::TextCases("catalog-sources.txt");
  cases.push_back({"comments, CRLF and no final line end",
                   {"# header\n\n  # indented comment\r\n3 3 c\r\n2 2 b\n1 1 a", "1 1 a\n2 2 b\n3 3 c\n"}});
  for (const hxtest::TextCaseT& c : cases) {
    const std::string image = Compile(c.texts.at(0));
    const std::string dumped = Dump(image);
    EXPECT_EQ(dumped, c.texts.at(1)) << c.what;
    EXPECT_EQ(Compile(dumped), image) << c.what;
  }
}

TEST(MessagesCompiler, SourceErrorsNameTheLine) {
  struct Case { std::string source; const char* error; };
  const Case cases[] = {
      {"189\n", "line 1: expected 'set number text'"},
      {"# ok\nx 1 a\n", "line 2: bad set number 'x'"},
      {"1 1y a\n", "line 1: bad message number '1y'"},
      {"4096 1 a\n", "line 1: bad set number '4096' (0 to 4095)"},
      {"1 65536 a\n", "line 1: bad message number '65536' (0 to 65535)"},
      {"1 1 a\\q\n", "line 1: unknown escape '\\q'"},
      {"1 1 a\\\n", "line 1: text ends with a lone backslash"},
      {"1 1 \\xg\n", "line 1: escape '\\x' without hexadecimal digits"},
      {"1 1 \\777\n", "line 1: escape value 511 does not fit in a byte"},
      {"1 1 a\n\n0x1 0x1 b\n", "line 3: duplicate message 1 1 (first on line 1)"},
      {"1 1 " + std::string(65536, 'x') + "\n", "line 1: text of 65536 bytes is longer than 65535"},
  };
  for (const Case& c : cases) {
    std::string image = "untouched", error;
    EXPECT_FALSE(hx::CompileCatalog(c.source, image, error)) << c.error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
    EXPECT_EQ(image, "untouched");
  }
}

TEST(MessagesCompiler, DumpReportsDamagedImages) {
  const std::string good = hx::BuildCatalogImage({{1, 1, "a"}, {1, 2, "b"}});
  // partial: what is still dumped
  struct Case { std::string image; const char* error; const char* partial; };
  const Case cases[] = {
      {good.substr(0, 11), "too short for a catalog header (11 bytes)", ""},
      {Patched(good, 7, "x"), "not a message catalog", ""},
      {good.substr(0, 20), "index of 2 entries needs 36 bytes, the file has 20", ""},
      {good.substr(0, good.size() - 1), "entry 1 (message 1 2): text at offset 37, length 1, lies outside", ""},
      {Patched(good, EntryAt(1) + 7, "\x01"), "entries 0 and 1 are both message 1 1", "1 1 a\n1 1 b\n"},
      {Patched(good, EntryAt(0) + 7, "\x03"), "entry 1 (message 1 2) comes after message 1 3", "1 3 a\n1 2 b\n"},
  };
  for (const Case& c : cases) {
    std::string source, error;
    EXPECT_FALSE(hx::DumpCatalog(c.image, source, error)) << c.error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
    EXPECT_EQ(source, c.partial);
  }
}

std::string GroupText(const char* sev, const char* text) {
  return std::string("\x01\x01") + sev + "\x01" + text;
}

TEST(MessagesMarkup, SeverityAndTextSelection) {
  struct Case { std::string text; ErrSevT sev; const char* want; };
  const Case cases[] = {
      {"Plain text", ErrSevError, "Plain text"},
      {GroupText("i", "Preferences loaded"), ErrSevInformation, "Preferences loaded"},
      {GroupText("w", "Careful"), ErrSevWarning, "Careful"},
      {"{i} Started", ErrSevInformation, "Started"},
      {"{we}\tLast letter wins", ErrSevError, "Last letter wins"},
      {"{Xi}Gated letter skipped", ErrSevError, "Gated letter skipped"},
      {"{#}Silent", ErrSevNone, "Silent"},
      {"{unbalanced", ErrSevError, ""},
      {std::string("\x01") + "style\x01i\x01styled\x01\x01w\x01" + "chosen", ErrSevWarning, "chosen"},
      {std::string("\x01") + "style\x01i\x01only styled", ErrSevError, ""},
      {std::string("\x01\x01"), ErrSevError, ""},  // group list cut short
  };
  for (const auto& c : cases) {
    ErrSevT sev = ErrSevNone;
    EXPECT_EQ(ApplyMarkup(c.text, sev), c.want);
    EXPECT_EQ(sev, c.sev) << c.want;
  }
}

TEST(MessagesErrorBuffer, ReportCheckpointAndRollback) {
  ErrBufImplC* buf = getErrBuf();
  buf->reset();
  const int32_t id = static_cast<int32_t>(0xE0BD0118u);
  hxtest::TraceCaptureC trace("Error");  // the buffer traces through the hook the tracer fills
  EXPECT_EQ(Error(id, "Inventory tracking was cancelled."), id);
  EXPECT_NE(trace.Stop().find("Add Error (s189m280): Problem: Inventory tracking was cancelled.\n"), std::string::npos);
  const unsigned mark = buf->checkpoint();
  Error(static_cast<int32_t>(0xE0BD0001u), "Disk full\x01No space left\x01" "Free some space");
  Error(static_cast<int32_t>(0xE0BD0002u), "{#}Not recorded");
  ASSERT_EQ(buf->count(), 2u);
  EXPECT_EQ(buf->get(1)->message(), "Disk full\nNo space left\nFree some space");
  EXPECT_EQ(buf->get(5), nullptr);
  buf->rollback(mark);
  ASSERT_EQ(buf->count(), 1u);
  Error(static_cast<int32_t>(0xE0BD0003u), "\x01\x01w\x01Value %1$s repaired to %2$d", "ProgressDepth", 3);
  ASSERT_EQ(buf->count(), 2u);
  EXPECT_EQ(buf->get(1)->severity(), ErrSevWarning);
  EXPECT_EQ(buf->get(1)->message(), "Value ProgressDepth repaired to 3");
  buf->reset();
}

}  // namespace
