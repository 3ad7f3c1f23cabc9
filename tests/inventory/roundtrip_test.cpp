// Any tree the trackers can build comes back from its file as the same items: random trees
// from a seeded generator, written, read back and compared by their digests and texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "inventory/TrkInventoryDocTypeHandler.h"
#include "inventory/XmlBinder.h"
#include "inventory/XmlOutputStream.h"
#include "tests/inventory/InventoryTestSupport.h"

namespace {

class RandomTreeC {
 public:
  explicit RandomTreeC(uint32_t seed) : rng_(seed) {}

  RefM<TrkInventoryC> Inventory() {
    auto inv = TrkInventoryC::New();
    for (int i = Pick(0, 4); i > 0; --i) inv->Add("R" + std::to_string(Pick(0, 9)), Text(0, 20));
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
    for (int i = Pick(0, 4); i > 0; --i) e->Add("A" + std::to_string(Pick(0, 5)), Text(0, 12));
    if (depth < 4)
      for (int i = Pick(0, 3); i > 0; --i) Fill(e.get(), depth + 1);
    if (e->numChildren() == 0 && Pick(0, 2) == 0) e->addText(Text(1, 10));
  }

  std::mt19937 rng_;
};

// The text the reader gives back for text the writer wrote: the writer's escaping makes it
// well-formed, and parsing turns line ends into line feeds and folds surrounding white space.
std::string ExpectedText(const std::string& text, bool hasChildren) {
  if (text.empty()) return "";
  std::string escaped;
  XmlOutputStreamC::escapeText(text, escaped);
  // Every '&' of the escaped text starts a reference, so "&amp;" goes last.
  std::string unescaped = escaped;
  for (const auto& [ref, c] : {std::pair<const char*, const char*>{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""},
                               {"&apos;", "'"}, {"&amp;", "&"}})
    unescaped = hx::ReplaceAll(unescaped, ref, c);
  unescaped = hx::ReplaceAll(unescaped, "\r\n", "\n");
  unescaped = hx::ReplaceAll(unescaped, "\r", "\n");
  const std::string folded = XmlBinderC::FoldWhitespace(unescaped);
  return hasChildren && folded == " " ? "" : folded;
}

void CompareTexts(const TrkInventoryEntityC* written, const TrkInventoryEntityC* read, std::string* diff) {
  if (ExpectedText(written->GetText(), written->GetFirstChild() != nullptr) != read->GetText())
    *diff += "text of " + written->getTag() + "; ";
  const TrkInventoryEntityC* r = read->GetFirstChild();
  for (const TrkInventoryEntityC* w = written->GetFirstChild(); w && r; w = w->GetNext(), r = r->GetNext())
    CompareTexts(w, r, diff);
}

TEST(InventoryRoundTrip, RandomTreesComeBackAsTheSameItems) {
  hxtest::TempDirC dir("inv-roundtrip");
  const FileNameC file(dir.File("random.hxi"));
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    auto written = RandomTreeC(seed).Inventory();
    ASSERT_EQ(XmlSaveFile(&file, written.get()), hx::RC_OK) << "seed " << seed;
    RefM<TrkInventoryC> read;
    ASSERT_EQ(TrkInventoryDocTypeHandlerC::ReadFile(file, &read), hx::RC_OK) << "seed " << seed;

    EXPECT_EQ(invtest::Digest(read.get(), false), invtest::Digest(written.get(), false)) << "seed " << seed;
    std::vector<std::string> want, got;
    std::vector<const TrkInventoryEntityC*> readTop;
    for (const TrkInventoryEntityC* c = written->GetFirstChild(); c; c = c->GetNext())
      want.push_back(invtest::Digest(c, true));
    read->GetDeepIndex().ForEachKey([&](const StringC& key, const TrkInventoryIndexC::ElemsT& elems) {
      for (const auto& e : elems) {
        got.push_back(key);
        readTop.push_back(e.GetEntity());
      }
    });
    std::vector<std::string> wantSorted = want, gotSorted = got;
    std::sort(wantSorted.begin(), wantSorted.end());
    std::sort(gotSorted.begin(), gotSorted.end());
    EXPECT_EQ(gotSorted, wantSorted) << "seed " << seed;

    // Texts, entity by entity: match each top-level entity to a written one by deep digest.
    std::string diff;
    for (const TrkInventoryEntityC* r : readTop) {
      const std::string key = invtest::Digest(r, true);
      bool matched = false;
      std::string last = "no written twin; ";
      for (const TrkInventoryEntityC* w = written->GetFirstChild(); w && !matched; w = w->GetNext()) {
        if (invtest::Digest(w, true) != key) continue;
        last.clear();
        CompareTexts(w, r, &last);
        matched = last.empty();  // equal subtrees may differ in text: one equal twin is enough
      }
      if (!matched) diff += last;
    }
    EXPECT_EQ(diff, "") << "seed " << seed;
  }
}

}  // namespace
