// The entity tree as trackers use it: attributes, the character rule, searching and moving
// children, the vocabulary helpers, the component faces and the digest a delta keys by.

#include <clocale>

#include "foundation/com/ComServerCounter.h"
#include "inventory/TrkInventoryEntityFactory.h"
#include "inventory/TrkTrack.h"
#include "tests/inventory/InventoryTestSupport.h"

using invtest::AddChild;
using invtest::ChildNames;
using invtest::Digest;

namespace {

// "Name=Value " of every attribute, in order.
std::string Attrs(const TrkInventoryEntityC* e) {
  std::string out;
  for (const auto& a : e->GetAttributes()) out += a.GetName() + "=" + a.GetValue() + " ";
  return out;
}

TEST(InventoryEntity, AttributesKeepFirstSetOrderAndReplaceInPlace) {
  auto e = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0", "Evidence", "kstat", "Name", "cpu1"});
  EXPECT_EQ(e->Add("name", "lower"), hx::RC_OK);  // another attribute: names match with case
  EXPECT_EQ(Attrs(e.get()), "Class=CPU Name=cpu1 Evidence=kstat name=lower ");
  EXPECT_EQ(e->Remove("Name"), hx::RC_OK);
  EXPECT_EQ(e->Remove("Name"), hx::RC_FAIL);
  EXPECT_EQ(Attrs(e->Clone().get()), "Class=CPU Evidence=kstat name=lower ");
  EXPECT_EQ(e->Add("", "x"), hx::RC_FAIL);
  EXPECT_EQ(e->GetAttributes().size(), 3u);

  StringC value = "stale";
  bool exists = true;
  EXPECT_EQ(e->Add("Empty", ""), hx::RC_OK);
  for (const auto& [name, there] : {std::pair<const char*, bool>{"Empty", true}, {"Missing", false}}) {
    EXPECT_EQ(e->get_Item(name, &value), hx::RC_OK) << name;
    EXPECT_EQ(value, "") << name;
    EXPECT_EQ(e->AttributeExists(name, &exists), hx::RC_OK);
    EXPECT_EQ(exists, there) << name;
  }
}

TEST(InventoryEntity, CharacterRuleReplacesWhatXmlCannotCarry) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain text", "plain text"},
      {"a\tb\nc\rd", "a b c d"},                     // tab, line feed, carriage return
      {"x\x01y\x1Fz", "x y z"},                      // control characters
      {"\xEF\xBF\xBE|\xEF\xBF\xBF", " | "},          // U+FFFE, U+FFFF
      {"\xEF\xBF\xBD\xED\x9F\xBF", "\xEF\xBF\xBD\xED\x9F\xBF"},  // U+FFFD and U+D7FF stay
      {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},      // U+10000 stays
      {"caf\xE9", "caf\xC3\xA9"},                    // a Latin-1 byte becomes its character
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // an encoded surrogate is not UTF-8
      {"\xC3", "\xC3\x83"},                          // a truncated sequence
  };
  for (const auto& [in, stored] : cases) {
    auto e = TrkInventoryEntityC::New(std::string("T") + in);
    EXPECT_EQ(e->Add(std::string("N") + in, in), hx::RC_OK);
    EXPECT_EQ(e->GetAttribute(std::string("N") + stored), stored) << in;
    EXPECT_EQ(e->getTag(), std::string("T") + stored) << in;
  }
}

TEST(InventoryEntity, FindEntityMatchesExactlyAndContinuesAfterAGivenChild) {
  auto root = TrkInventoryEntityC::New("Hardware");
  auto p1 = AddChild(root.get(), "Property", {"Name", "Speed", "Value", "1"});
  auto other = AddChild(root.get(), "Instance", {"Name", "Speed"});
  auto p2 = AddChild(root.get(), "Property", {"Name", "Size", "Value", "2"});
  auto p3 = AddChild(root.get(), "Property", {"Name", "Speed", "Value", "3"});
  struct CaseT { const char *tag, *attr, *value; TrkInventoryEntityC *after, *expect; };
  const CaseT cases[] = {
      {"Property", "", "", nullptr, p1.get()},           {"Property", "", "", p1.get(), p2.get()},
      {"", "", "", p1.get(), other.get()},               // an empty tag takes the next child
      {"property", "", "", nullptr, nullptr},            // tags match with case
      {"Property", "Name", "Size", nullptr, p2.get()},   {"Property", "Name", "Speed", p1.get(), p3.get()},
      {"Property", "name", "Speed", nullptr, nullptr},   {"Property", "Name", "speed", nullptr, nullptr},
      {"Property", "Name", "", p2.get(), p3.get()},      // an empty value takes the next with the tag
      {"Property", "", "", p3.get(), nullptr},
  };
  for (const CaseT& c : cases) {
    TrkInventoryEntityC* found = reinterpret_cast<TrkInventoryEntityC*>(1);
    EXPECT_EQ(root->FindEntity(c.tag, c.attr, c.value, c.after, &found), c.expect ? hx::RC_OK : hx::RC_FAIL);
    EXPECT_EQ(found, c.expect) << c.tag << "/" << c.attr << "/" << c.value;
    if (found) found->Release();
  }
  auto stranger = TrkInventoryEntityC::New("Property");
  TrkInventoryEntityC* found = nullptr;
  EXPECT_EQ(root->FindEntity("Property", stranger.get(), &found), hx::RC_INVALID_ARG);
}

TEST(InventoryEntity, AddEntityLinksAfterAndRefusesWhatWouldBreakTheTree) {
  auto root = TrkInventoryEntityC::New("Inventory");
  auto a = AddChild(root.get(), "A", {"Name", "a"});
  auto c = AddChild(root.get(), "C", {"Name", "c"});
  auto b = AddChild(nullptr, "B", {"Name", "b"});
  auto d = AddChild(nullptr, "D", {"Name", "d"});
  EXPECT_EQ(root->AddEntity(b.get(), a.get()), hx::RC_OK);
  EXPECT_EQ(root->AddEntity(d.get(), c.get()), hx::RC_OK);  // after the last is the end
  EXPECT_EQ(ChildNames(root.get()), "A:a B:b C:c D:d");
  EXPECT_EQ(root->numChildren(), 4u);

  auto loose = TrkInventoryEntityC::New("E");
  EXPECT_EQ(root->AddEntity(b.get()), hx::RC_INVALID_ARG);            // already has a parent
  EXPECT_EQ(b->AddEntity(root.get()), hx::RC_INVALID_ARG);            // its own ancestor
  EXPECT_EQ(b->AddEntity(b.get()), hx::RC_INVALID_ARG);
  EXPECT_EQ(b->AddEntity(loose.get(), c.get()), hx::RC_INVALID_ARG);  // after is not b's child
  EXPECT_EQ(a->RemoveEntity(b.get()), hx::RC_FAIL);
  for (auto* e : {b.get(), d.get(), a.get()}) EXPECT_EQ(root->RemoveEntity(e), hx::RC_OK);
  EXPECT_EQ(b->GetParent(), nullptr);
  EXPECT_EQ(root->AddEntity(b.get()), hx::RC_OK);  // a removed child can move again
  EXPECT_EQ(ChildNames(root.get()), "C:c B:b");
}

// Every reference is given back when a tree goes, a subtree removed from it included.
TEST(InventoryEntity, TreesGiveBackEveryReference) {
  const long before = ComServerCounterC::GetCount();
  {
    auto root = TrkInventoryEntityC::New("Content");
    auto inst = AddChild(root.get(), "Instance", {"Name", "i1"});
    AddChild(inst.get(), "Value", {"Name", "v"})->addText("deep text");
    TrkInventoryEntityC* found = nullptr;
    ASSERT_EQ(root->FindEntity("Instance", nullptr, &found), hx::RC_OK);
    EXPECT_EQ(root->RemoveEntity(found), hx::RC_OK);
    EXPECT_EQ(found->GetParent(), nullptr);
    found->Release();
    EXPECT_GT(ComServerCounterC::GetCount(), before);
  }
  EXPECT_EQ(ComServerCounterC::GetCount(), before);
}

TEST(InventoryTrack, HelpersBuildAndReadTheVocabulary) {
  struct CaseT { const char *name, *value, *evidence; bool allowEmpty; hx::ResultT rc; const char* attrs; };
  const CaseT cases[] = {
      {"Speed", "2000", "", false, hx::RC_OK, "Name=Speed Value=2000 "},
      {"Speed", "2000", "kstat", false, hx::RC_OK, "Name=Speed Value=2000 Evidence=kstat "},
      {"Speed", "", "", true, hx::RC_OK, "Name=Speed Value= "},
      {"Speed", "", "kstat", false, hx::RC_FAIL, ""},
      {"", "2000", "", true, hx::RC_FAIL, ""},
  };
  for (const CaseT& c : cases) {
    auto e = TrkInventoryEntityC::New("Hardware");
    EXPECT_EQ(TrkTrackC::AddProperty(e.get(), c.name, c.value, c.evidence, c.allowEmpty), c.rc) << c.name << c.value;
    const TrkInventoryEntityC* p = e->GetFirstChild();
    EXPECT_EQ(p ? p->getTag() + " " + Attrs(p) : "", c.attrs[0] ? std::string("Property ") + c.attrs : "");
  }

  auto inv = TrkInventoryC::New();
  auto cpu = TrkInventoryC::AddClass(inv.get(), "CPU", "cpu0", "");
  ASSERT_TRUE(cpu);
  EXPECT_EQ(cpu->AddProperty("Speed", "2000"), hx::RC_OK);
  EXPECT_EQ(cpu->AddProperty("speed", "lower"), hx::RC_OK);
  EXPECT_EQ(cpu->AddProperty("Empty", ""), hx::RC_OK);  // the two-argument form allows it
  EXPECT_EQ(cpu->AddProperty("", "x"), hx::RC_FAIL);
  TrkTrackC::AddClass(inv.get(), "Disk", "sd0", "devinfo");
  EXPECT_EQ(Attrs(cpu.get()), "Class=CPU Name=cpu0 Evidence= ");  // evidence set even when empty
  EXPECT_EQ(ChildNames(inv.get()), "Hardware:cpu0 Hardware:sd0");
  EXPECT_EQ(TrkTrackC::GetProperty(cpu.get(), "Speed"), "2000");
  EXPECT_EQ(TrkTrackC::GetProperty(cpu.get(), "speed"), "lower");
  EXPECT_EQ(TrkTrackC::GetProperty(cpu.get(), "Missing"), "");
}

// What plug-ins see: texts handed out as copies the caller frees, one count behind all faces.
TEST(InventoryEntity, ComponentFacesCarrySystemTextsAndCountOnce) {
  TrkInventoryEntityFactoryC factory;
  ZORHXTInventoryEntityI* root = nullptr;
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_ZORHXTInventoryEntity, reinterpret_cast<void**>(&root)), hx::RC_OK);
  auto text = [&](const char* name) {
    char* t = nullptr;
    EXPECT_EQ(name ? root->get_Item(const_cast<char*>(name), &t) : root->GetType(&t), hx::RC_OK);
    const std::string copy = t != nullptr ? t : "(null)";
    std::free(t);
    return copy;
  };
  EXPECT_EQ(text(nullptr), "Inventory");
  EXPECT_EQ(root->Add(const_cast<char*>("Name"), const_cast<char*>("host")), hx::RC_OK);
  EXPECT_EQ(text("Name"), "host");
  EXPECT_EQ(text("None"), "");
  ZORHXTInventoryEntityI* child = nullptr;
  ASSERT_EQ(root->CreateEntity(const_cast<char*>("Hardware"), &child), hx::RC_OK);
  EXPECT_EQ(root->AddEntity(child), hx::RC_OK);
  long count = 0;
  root->GetEntityCount(&count);
  EXPECT_EQ(count, 1);
  ZORHXTInventoryEntityI* found = nullptr;
  ASSERT_EQ(root->FindEntity(const_cast<char*>("Hardware"), nullptr, &found), hx::RC_OK);
  EXPECT_EQ(found, child);
  EXPECT_EQ(root->FindEntity(const_cast<char*>("Hardware"), found, &found), hx::RC_FAIL);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(root->RemoveEntity(child), hx::RC_OK);
  EXPECT_EQ(child->Release(), 1u);  // the search's reference is still out
  EXPECT_EQ(child->Release(), 0u);
  EXPECT_EQ(root->Release(), 0u);

  auto inv = TrkInventoryC::New();
  ZORHXTInventoryI* face = nullptr;
  ASSERT_EQ(inv->QueryInterface(IID_ZORHXTInventory, reinterpret_cast<void**>(&face)), hx::RC_OK);
  ZORHXTInventoryEntityI* invRoot = nullptr;
  ASSERT_EQ(face->GetRootEntity(&invRoot), hx::RC_OK);
  EXPECT_EQ(invRoot, static_cast<ZORHXTInventoryEntityI*>(inv.get()));
  void* unknown = nullptr;
  ASSERT_EQ(face->QueryInterface(IID_IUnknown, &unknown), hx::RC_OK);
  EXPECT_EQ(static_cast<ZORUnknownI*>(unknown)->Release(), 3u);
  EXPECT_EQ(invRoot->Release(), 2u);
  EXPECT_EQ(face->Release(), 1u);
}

// The digest decides which items a delta reports; its bytes must match what earlier inventories
// were keyed with. Flat digests leave out the children, deep ones follow them in order, text
// never counts, and attribute order does.
TEST(InventoryDigest, KnownAnswersAndWhatCounts) {
  auto hw = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0"});
  auto flat = AddChild(nullptr, "Hardware", {"Class", "CPU", "Name", "cpu0"});
  AddChild(hw.get(), "Property", {"Name", "Speed", "Value", "2000"});
  EXPECT_EQ(hw->addText("text never counts"), hx::RC_OK);
  EXPECT_EQ(Digest(hw.get(), false), "9f3d6c607d8e5bf7e59b61cafa7f67d5");  // "<Hardware Class=CPU Name=cpu0 "
  EXPECT_EQ(Digest(hw.get(), true), "a2c3b2c53ed0dcd36fa5eb6c64fb1ed5");   // ... "<Property Name=Speed Value=2000 "
  EXPECT_EQ(Digest(AddChild(nullptr, "Add").get(), true), "3e4aea25c06ea49c96a40b19d26709cb");  // "<Add "
  EXPECT_EQ(Digest(flat.get(), false), Digest(hw.get(), false));
  EXPECT_NE(Digest(flat.get(), true), Digest(hw.get(), true));
  EXPECT_NE(Digest(AddChild(nullptr, "Hardware", {"Name", "cpu0", "Class", "CPU"}).get(), false),
            Digest(flat.get(), false));
  auto d = AddChild(nullptr, "H"), e = AddChild(nullptr, "H");
  for (const char* n : {"1", "2"}) AddChild(d.get(), "P", {"Name", n});
  for (const char* n : {"2", "1"}) AddChild(e.get(), "P", {"Name", n});
  EXPECT_NE(Digest(d.get(), true), Digest(e.get(), true));
}

// A text is fed in the system 8-bit encoding and cut to its number of characters: in a UTF-8
// locale "N=\u00e9 " (4 characters, 5 bytes) loses its trailing space.
TEST(InventoryDigest, NonAsciiTextIsFedByCharacterCount) {
  auto p = AddChild(nullptr, "P", {"N", "\xC3\xA9"});
  const std::string old = std::setlocale(LC_CTYPE, nullptr);
  EXPECT_EQ(Digest(p.get(), false), "b426c4bd7b4a94410f39b6da43437829");  // "<P N=\xE9 "
  const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  const std::string inUtf8 = utf8 ? Digest(p.get(), false) : "";
  std::setlocale(LC_CTYPE, old.c_str());
  if (!utf8) GTEST_SKIP() << "no UTF-8 locale on this machine";
  EXPECT_EQ(inUtf8, "fc3c5e29b791e7c3eb98f52b65ec0daa");  // "<P N=\xC3\xA9"
}

}  // namespace
