// Reading an inventory file back as the delta's base: what the base document holds, that every
// tree the trackers can build comes back as the same items, and that a base the delta cannot use
// (broken, cut short, hostile, another kind of document) is refused. Texts play no part in a
// delta; the writer's tests show how they are written.

#include <random>

#include "foundation/core/Md5.h"
#include "inventory/InventoryCodes.h"
#include "inventory/TrkBaseInventory.h"
#include "inventory/TrkIndexBuilder.h"
#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/TrkTrack.h"
#include "inventory/XmlOutputStream.h"
#include "inventory/XmlParser.h"
#include "tests/inventory/InventoryTestSupport.h"

namespace {

hx::ResultT Read(const std::string& xml, RefM<TrkInventoryC>* inv) {
  return TrkInventoryDocTypeHandlerC::ReadBuffer(xml.data(), xml.size(), inv);
}

// The indexed top-level entities of a read document in document order of their items.
std::vector<TrkInventoryEntityC*> TopLevel(const TrkInventoryC& inv) {
  std::vector<TrkInventoryEntityC*> out;
  inv.GetFlatIndex().ForEachKey([&](const StringC&, const TrkInventoryIndexC::ElemsT& elems) {
    for (const auto& e : elems) out.push_back(e.GetEntity());
  });
  return out;
}

TEST(InventoryReader, RootAttributesInOrderAndTopLevelEntitiesIndexedNotLinked) {
  RefM<TrkInventoryC> inv;
  ASSERT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(invtest::SourceFile("data/delta_base.hxi"), &inv), hx::RC_OK);
  std::string attrs;
  for (const auto& a : inv->GetAttributes()) attrs += a.GetName() + " ";
  EXPECT_EQ(attrs, "Tracker Audience Scope MachineName UserName Hardware DateTime Type ");
  EXPECT_EQ(inv->numChildren(), 0u);
  EXPECT_EQ(inv->GetFlatIndex().size(), 3u);
  EXPECT_EQ(inv->GetDeepIndex().size(), 3u);
  const auto top = TopLevel(*inv);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0]->GetAttribute("Name"), "cpu0");
  EXPECT_EQ(invtest::ChildNames(top[0]), "Property:Speed");
  EXPECT_EQ(top[2]->getTag(), "Package");
  EXPECT_TRUE(inv->GetDeepIndex().Contains(invtest::Digest(top[1], true)));
  EXPECT_TRUE(inv->GetFlatIndex().Contains(invtest::Digest(top[1], false)));
}

TEST(InventoryReader, ReferencesToUndeclaredEntitiesStandForNothing) {
  const std::string xml = std::string(invtest::c_Prolog) +
                          "<Inventory A=\"x&amp;y\"><Hardware Name=\"a&foo;b\">1&lt;2&bar;3&#65;</Hardware></Inventory>";
  RefM<TrkInventoryC> inv;
  ASSERT_EQ(Read(xml, &inv), hx::RC_OK);
  EXPECT_EQ(inv->GetAttribute("A"), "x&y");
  const auto top = TopLevel(*inv);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0]->GetAttribute("Name"), "ab");
}

TEST(InventoryReader, BrokenOrHostileInputFailsCleanly) {
  std::string deep = "<Inventory>";
  for (int i = 0; i < 300; ++i) deep += "<E>";
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE Inventory [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><Inventory V=\"&c;\">&c;</Inventory>";
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE Inventory [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Inventory>&x;</Inventory>";
  struct CaseT { const char* what; std::string xml; };
  const CaseT cases[] = {
      {"empty", ""},
      {"no element", "<?xml version=\"1.0\"?>"},
      {"mismatched", "<Inventory><A></B></Inventory>"},
      {"two roots", "<Inventory/><Inventory/>"},
      {"plain text", "inventory of this machine, taken yesterday\n"},
      {"another kind", std::string(invtest::c_Prolog) + "<Configuration Type=\"Full\"/>\n"},
      {"too deep", deep},
      {"entity expansion", laughs},
      {"external entity", external},
      {"binary", std::string("\0\xff\xfe<", 4)},
  };
  for (const CaseT& c : cases) {
    RefM<TrkInventoryC> inv;
    EXPECT_LT(Read(c.xml, &inv), 0) << c.what;
    EXPECT_FALSE(inv) << c.what;
  }
  RefM<TrkInventoryC> inv;
  EXPECT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(FileNameC("/nonexistent/inv.hxi"), &inv), hx::RcFromErrno(ENOENT));
}

// A document past the parser's bounds is refused and the trace says why, whether it comes in
// pieces (a file) or whole (a buffer); embedded content is character data, without a bound.
TEST(InventoryReader, DocumentsPastTheParsersBoundsAreRefusedWithTheReason) {
  const std::string big(XmlParserC::c_MaxTokenBytes, 'x');
  std::string atts;
  for (size_t i = 0; i <= XmlParserC::c_MaxAttributes; ++i) atts += " a" + std::to_string(i) + "=\"\"";
  struct CaseT { std::string xml; const char* why; bool whole; };  // why: null when the document is read
  const CaseT cases[] = {
      {"<Inventory A=\"" + big + big + "\"/>", "markup longer than 1048576 bytes refused at line 1, column 0", false},
      {"<Inventory A=\"" + big + "\"/>", "start tag 'Inventory' longer than 1048576 bytes refused", true},
      {"<Inventory><!--" + big + big + "--></Inventory>", "markup longer than 1048576 bytes refused at line 1, column 11", false},
      {"<Inventory" + atts + "/>", "element 'Inventory' with 257 attributes refused (at most 256)", true},
      {"<!DOCTYPE Inventory [<!ATTLIST Inventory A CDATA 'v'>]><Inventory/>", "attribute declaration 'A' of 'Inventory' refused", true},
      {"<Inventory><Hardware><Value>" + big + big + "</Value></Hardware></Inventory>", nullptr, false},
  };
  hxtest::TempDirC dir("inv-read");
  const FileNameC file(dir.File("bound.hxi"));
  for (const CaseT& c : cases) {
    hxtest::WriteFile(file.str(), c.xml);
    hxtest::TraceCaptureC trace(trk::c_TraceInventoryRead);
    RefM<TrkInventoryC> inv;
    const hx::ResultT rc = c.whole ? Read(c.xml, &inv) : TrkInventoryDocTypeHandlerC::ReadFile(file, &inv);
    EXPECT_TRUE(c.why ? hx::Failed(rc) && hxtest::Contains(trace.Stop(), c.why) : hx::Succeeded(rc))
        << (c.why ? c.why : "read") << "\n" << trace.Stop();
  }
}

// A base cut short anywhere is refused: the delta must never be taken against half a document.
TEST(InventoryReader, EveryIncompleteBaseIsRefused) {
  hxtest::TempDirC dir("inv-read");
  const FileNameC file(dir.File("inv.hxi")), base(dir.File("base.hxi"));
  auto inv = TrkInventoryC::New();
  EXPECT_EQ(inv->Add("Type", "Full"), hx::RC_OK);
  for (int i = 0; i < 4; ++i) TrkTrackC::AddClass(inv.get(), "Disk", "sd" + std::to_string(i), "e");
  EXPECT_EQ(TrkTrackC::AddClass(inv.get(), "Cpu", "cpu0", "")->AddProperty("Speed", " 3 GHz "), hx::RC_OK);
  ASSERT_EQ(XmlSaveFile(&file, inv.get()), hx::RC_OK);
  const std::string whole = hxtest::ReadFile(file.str());
  const size_t complete = whole.rfind("</Inventory>") + std::strlen("</Inventory>");
  int accepted = 0;
  for (size_t length = 0; length < complete; ++length) {
    hxtest::WriteFile(base.str(), whole.substr(0, length));
    RefM<TrkInventoryC> read;
    if (TrkInventoryDocTypeHandlerC::ReadFile(base, &read) >= 0 || read) ++accepted;
  }
  EXPECT_EQ(accepted, 0) << "prefixes of " << complete << " bytes";
  RefM<TrkInventoryC> read;
  EXPECT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(file, &read), hx::RC_OK);
  EXPECT_EQ(read->GetFlatIndex().size(), 5u);
}

// A document longer than what the reader indexes on one thread: the indexes hold every entity,
// items in the order of their first occurrence and each item's entities in document order, as
// one thread enters them. The same document cut short inside an entity is refused.
TEST(InventoryReader, LongDocumentIndexedInDocumentOrder) {
  constexpr int c_Entities = 2 * TrkIndexBuilderC::c_BatchSize + 500, c_Names = 2000;
  auto inv = TrkInventoryC::New();
  for (int i = 0; i < c_Entities; ++i)
    EXPECT_EQ(invtest::AddChild(inv.get(), "Hardware", {"Name", "n" + std::to_string(i % c_Names)})->AddProperty("At", std::to_string(i)), hx::RC_OK);
  hxtest::TempDirC dir("inv-read");
  const FileNameC file(dir.File("long.hxi"));
  ASSERT_EQ(XmlSaveFile(&file, inv.get()), hx::RC_OK);
  RefM<TrkInventoryC> read;
  ASSERT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(file, &read), hx::RC_OK);
  std::vector<std::string> want, got;
  for (int n = 0; n < c_Names; ++n)
    for (int i = n; i < c_Entities; i += c_Names) want.push_back("n" + std::to_string(n) + "@" + std::to_string(i));
  for (const TrkInventoryEntityC* e : TopLevel(*read))
    got.push_back(e->GetAttribute("Name") + "@" + e->GetFirstChild()->GetAttribute("Value"));
  EXPECT_EQ(got, want);
  EXPECT_EQ(read->GetDeepIndex().size(), static_cast<size_t>(c_Entities));

  const std::string whole = hxtest::ReadFile(file.str());
  hxtest::WriteFile(file.str(), whole.substr(0, whole.size() * 9 / 10));
  RefM<TrkInventoryC> cut;
  EXPECT_LT(TrkInventoryDocTypeHandlerC::ReadFile(file, &cut), 0);
  EXPECT_FALSE(cut);
}

class RandomTreeC {
 public:
  explicit RandomTreeC(uint32_t seed) : rng_(seed) {}

  RefM<TrkInventoryC> Inventory() {
    auto inv = TrkInventoryC::New();
    for (int i = Pick(0, 4); i > 0; --i) EXPECT_EQ(inv->Add("R" + std::to_string(Pick(0, 9)), Text(0, 20)), hx::RC_OK);
    for (int i = Pick(0, 12); i > 0; --i) Fill(inv.get(), 1);
    return inv;
  }

 private:
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // Characters that stress the writer and the character rule: markup, quotes, white space,
  // control characters, multi-byte UTF-8, characters outside XML and stray bytes.
  std::string Text(int minLen, int maxLen) {
    static const char* const kPieces[] = {"a", "Z", "0", " ", "<", ">", "&", "\"", "'", "\t", "\n", "\r", "\x01",
                                          "~", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBF\xBE",
                                          "\xE9", ";", "=", "&amp;"};
    std::string s;
    for (int n = Pick(minLen, maxLen); n > 0; --n) s += kPieces[Pick(0, std::size(kPieces) - 1)];
    return s;
  }

  // Tags (and attribute names) are the trackers' fixed vocabulary, always names a parser
  // accepts; the character rule does not make arbitrary text a name.
  std::string Tag() {
    static const char* const kTags[] = {"Hardware", "Property", "Package", "Content", "Instance", "Value", "x-y.z_1"};
    return kTags[Pick(0, std::size(kTags) - 1)];
  }

  // Text only on leaves, as the trackers write it.
  void Fill(TrkInventoryEntityC* parent, int depth) {
    auto e = invtest::AddChild(parent, Tag());
    for (int i = Pick(0, 4); i > 0; --i) EXPECT_EQ(e->Add("A" + std::to_string(Pick(0, 5)), Text(0, 12)), hx::RC_OK);
    if (depth < 4)
      for (int i = Pick(0, 3); i > 0; --i) Fill(e.get(), depth + 1);
    if (e->numChildren() == 0 && Pick(0, 2) == 0) HX_IGNORE_RESULT(e->addText(Text(1, 10)));  // text is only appended
  }

  std::mt19937 rng_;
};

TEST(InventoryRoundTrip, RandomTreesComeBackAsTheSameItems) {
  hxtest::TempDirC dir("inv-read");
  const FileNameC file(dir.File("random.hxi"));
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    auto written = RandomTreeC(seed).Inventory();
    ASSERT_EQ(XmlSaveFile(&file, written.get()), hx::RC_OK) << "seed " << seed;
    RefM<TrkInventoryC> read;
    ASSERT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(file, &read), hx::RC_OK) << "seed " << seed;

    EXPECT_EQ(invtest::Digest(read.get(), false), invtest::Digest(written.get(), false)) << "seed " << seed;
    const std::vector<TrkInventoryEntityC*> readTop = TopLevel(*read);
    std::vector<std::string> want, got;
    for (const TrkInventoryEntityC* c = written->GetFirstChild(); c; c = c->GetNext()) want.push_back(invtest::Digest(c, true));
    for (const TrkInventoryEntityC* r : readTop) got.push_back(invtest::Digest(r, true));
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want) << "seed " << seed;
    for (const std::string& key : got) EXPECT_TRUE(read->GetDeepIndex().Contains(key)) << "seed " << seed;
  }
}

// The delta's base is read for its digests alone, straight from the parser's events. Every
// document either reader accepts, the other accepts with the same digests, byte for byte those
// that CalculateMD5 gives the entities the whole reader builds; what one refuses, the other does.
TEST(BaseInventory, DigestsFromTheEventsAreThoseOfTheEntities) {
  std::vector<std::pair<std::string, std::string>> docs;  // what, text
  for (const char* f : {"data/delta_base.hxi", "expected/delta.hxi", "expected/escaping.hxi", "expected/text_depth.hxi"})
    docs.emplace_back(f, hxtest::ReadFile(invtest::SourceFile(f)));
  for (const char* f : {"escaping", "delta", "attlist", "attributes", "full"})
    docs.emplace_back(f, hxtest::ReadFile(HX_SOURCE_DIR "/tests/fuzz/seeds/inventory_reader/" + std::string(f) + ".hxi"));
  std::string deep = "<Inventory>";
  for (int i = 0; i < 300; ++i) deep += "<E>";
  docs.emplace_back("too deep", deep);
  docs.emplace_back("another kind", std::string(invtest::c_Prolog) + "<Configuration Type=\"Full\"/>\n");
  docs.emplace_back("cut short", docs[0].second.substr(0, docs[0].second.size() - 20));
  docs.emplace_back("references", std::string(invtest::c_Prolog) + "<Inventory><Hardware Name=\"a&#9;b&#10;&foo;\" V=\"&#xE9;&#x20AC;\"><P/>x</Hardware></Inventory>");
  hxtest::TempDirC dir("inv-base");
  const FileNameC file(dir.File("written.hxi"));
  for (uint32_t seed = 1; seed <= 100; ++seed) {
    ASSERT_EQ(XmlSaveFile(&file, RandomTreeC(seed).Inventory().get()), hx::RC_OK);
    docs.emplace_back("seed " + std::to_string(seed), hxtest::ReadFile(file.str()));
  }
  const auto md5 = [](const TrkInventoryEntityC* e, bool deep) {
    MD5C m;
    std::string hex;
    EXPECT_EQ(e->CalculateMD5(m, deep), hx::RC_OK);
    EXPECT_EQ(m.Final(&hex), hx::RC_OK);
    TrkDigestKeyT key;
    EXPECT_TRUE(TrkDigestKeyT::FromHex(hex, &key));
    return key;
  };
  std::string refused;
  for (const auto& [what, text] : docs) {
    hxtest::WriteFile(file.str(), text);
    RefM<TrkInventoryC> whole;
    std::unique_ptr<TrkBaseInventoryC> base;
    const bool read = TrkInventoryDocTypeHandlerC::ReadFile(file, &whole) == hx::RC_OK;
    ASSERT_EQ(TrkBaseInventoryC::Read(file, &base) == hx::RC_OK, read) << what;
    if (!read) {
      refused += (refused.empty() ? "" : ", ") + what;
      continue;
    }
    const std::vector<TrkInventoryEntityC*> top = TopLevel(*whole);
    ASSERT_EQ(base->size(), top.size()) << what;
    // The entities of an item stand together in TopLevel: taking the item answers for them all.
    for (size_t i = 0; i < top.size(); ++i) {
      EXPECT_TRUE(base->HasSubtree(md5(top[i], true))) << what;
      size_t n = 1;
      while (i + n < top.size() && md5(top[i + n], false) == md5(top[i], false)) ++n;
      EXPECT_EQ(base->TakeItem(md5(top[i], false)), n) << what << " entity " << i;
      i += n - 1;
    }
  }
  EXPECT_EQ(refused, "attlist, attributes, too deep, another kind, cut short");
}

// What the base lost goes into the delta whole, text included, read again from the file; a
// file that changed in between fails the delta before any entity left the inventory.
TEST(BaseInventory, RemovedEntitiesReadAgainFromTheFile) {
  const std::string prolog = std::string(invtest::c_Prolog) + "<Inventory Type=\"Full\">\n";
  const std::string gone = "<Hardware Name=\"sd0\"><Property Name=\"N\">a &amp; b</Property></Hardware>";
  hxtest::TempDirC dir("inv-base");
  const FileNameC file(dir.File("base.hxi"));
  for (bool changed : {false, true}) {
    auto current = TrkInventoryC::New();
    TrkTrackC::AddClass(current.get(), "Disk", "sd1", "e");
    hxtest::WriteFile(file.str(), prolog + gone + "\n<Package Name=\"p\"/>\n" + gone + "</Inventory>\n");
    std::unique_ptr<TrkBaseInventoryC> base;
    ASSERT_EQ(TrkBaseInventoryC::Read(file, &base), hx::RC_OK);
    // In place, every byte where it was: only the digests can tell.
    if (changed) hxtest::WriteFile(file.str(), hxtest::ReadFile(file.str()).replace(prolog.size() + 16, 3, "sd8"));
    TrkInventoryC* delta = nullptr;
    const hx::ResultT rc = current->GenerateDiff(*base, TrkInventoryHeaderT(), &delta);
    const auto held = RefM<TrkInventoryC>::Adopt(delta);
    EXPECT_EQ(invtest::ChildNames(current.get()), changed ? "Hardware:sd1" : "") << changed;
    if (changed) {
      EXPECT_LT(rc, 0);
      continue;
    }
    ASSERT_EQ(rc, hx::RC_OK);
    const TrkInventoryEntityC* remove = held->GetFirstChild();
    EXPECT_EQ(invtest::ChildNames(remove), "Hardware:sd0 Hardware:sd0 Package:p");
    EXPECT_EQ(remove->GetFirstChild()->GetFirstChild()->GetText(), "a & b");
  }
}

}  // namespace
