// The entity tree as trackers use it: attributes, the character rule, searching, moving and
// merging children, and the vocabulary helpers.

#include <gtest/gtest.h>

#include <cstdlib>

#include "foundation/com/ComServerCounter.h"
#include "inventory/TrkInventoryEntityFactory.h"
#include "inventory/TrkTrack.h"
#include "tests/inventory/InventoryTestSupport.h"

using invtest::AddChild;
using invtest::ChildNames;

namespace {

TEST(InventoryEntity, AttributesKeepFirstSetOrderAndReplaceInPlace) {
  auto e = TrkInventoryEntityC::New("Hardware");
  e->Add("Class", "CPU");
  e->Add("Name", "cpu0");
  e->Add("Evidence", "kstat");
  e->Add("Name", "cpu1");
  e->Add("name", "lower");  // another attribute: names match with case
  std::string order;
  for (const auto& a : e->GetAttributes()) order += a.GetName() + "=" + a.GetValue() + ";";
  EXPECT_EQ(order, "Class=CPU;Name=cpu1;Evidence=kstat;name=lower;");

  EXPECT_EQ(e->Remove("Name"), hx::RC_OK);
  EXPECT_EQ(e->Remove("Name"), hx::RC_FAIL);
  EXPECT_EQ(e->Add("", "x"), hx::RC_FAIL);
  EXPECT_EQ(e->GetAttributes().size(), 3u);
}

TEST(InventoryEntity, MissingAttributeReadsEmptyButExistenceTellsApart) {
  auto e = TrkInventoryEntityC::New("Property");
  e->Add("Value", "");
  StringC value = "stale";
  bool exists = true;
  struct CaseT { const char* name; bool exists; };
  for (const CaseT& c : {CaseT{"Value", true}, CaseT{"Missing", false}}) {
    EXPECT_EQ(e->get_Item(c.name, &value), hx::RC_OK) << c.name;
    EXPECT_EQ(value, "") << c.name;
    EXPECT_EQ(e->AttributeExists(c.name, &exists), hx::RC_OK);
    EXPECT_EQ(exists, c.exists) << c.name;
  }
  EXPECT_EQ(e->get_Item("Value", static_cast<StringC*>(nullptr)), hx::RC_INVALID_ARG);
  EXPECT_EQ(e->AttributeExists("Value", static_cast<bool*>(nullptr)), hx::RC_INVALID_ARG);
}

TEST(InventoryEntity, CharacterRuleReplacesWhatXmlCannotCarry) {
  struct CaseT { const char* in; const char* stored; };
  const CaseT cases[] = {
      {"plain text", "plain text"},
      {"a\tb\nc\rd", "a b c d"},             // tab, line feed, carriage return
      {"x\x01y\x1Fz", "x y z"},              // control characters
      {"\xEF\xBF\xBE|\xEF\xBF\xBF", " | "},  // U+FFFE, U+FFFF
      {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},      // U+FFFD stays
      {"\xED\x9F\xBF", "\xED\x9F\xBF"},      // U+D7FF stays
      {"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},  // U+10000 stays
      {"caf\xC3\xA9", "caf\xC3\xA9"},        // valid UTF-8 stays
      {"caf\xE9", "caf\xC3\xA9"},            // a Latin-1 byte becomes its character
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // an encoded surrogate is not UTF-8
      {"\xC3", "\xC3\x83"},                  // a truncated sequence
  };
  for (const CaseT& c : cases) {
    auto e = TrkInventoryEntityC::New(std::string("T") + c.in);
    e->Add(std::string("N") + c.in, c.in);
    EXPECT_EQ(e->GetAttribute(std::string("N") + c.stored), c.stored) << c.in;
    EXPECT_EQ(e->getTag(), std::string("T") + c.stored) << c.in;
  }
}

TEST(InventoryEntity, FindEntityMatchesExactlyAndContinuesAfterAGivenChild) {
  auto root = TrkInventoryEntityC::New("Hardware");
  auto p1 = AddChild(root.get(), "Property", {"Name", "Speed", "Value", "1"});
  auto other = AddChild(root.get(), "Instance", {"Name", "Speed"});
  auto p2 = AddChild(root.get(), "Property", {"Name", "Size", "Value", "2"});
  auto p3 = AddChild(root.get(), "Property", {"Name", "Speed", "Value", "3"});

  struct CaseT { const char* tag; const char* attr; const char* value; TrkInventoryEntityC* after;
                 TrkInventoryEntityC* expect; };
  const CaseT cases[] = {
      {"Property", "", "", nullptr, p1.get()},
      {"Property", "", "", p1.get(), p2.get()},
      {"", "", "", p1.get(), other.get()},           // an empty tag takes the next child
      {"property", "", "", nullptr, nullptr},        // tags match with case
      {"Property", "Name", "Size", nullptr, p2.get()},
      {"Property", "Name", "Speed", p1.get(), p3.get()},
      {"Property", "name", "Speed", nullptr, nullptr},  // attribute names match with case
      {"Property", "Name", "speed", nullptr, nullptr},
      {"Property", "Name", "", p2.get(), p3.get()},   // an empty value takes the next with the tag
      {"Property", "", "", p3.get(), nullptr},
  };
  for (const CaseT& c : cases) {
    TrkInventoryEntityC* found = reinterpret_cast<TrkInventoryEntityC*>(1);
    const hx::ResultT rc = root->FindEntity(c.tag, c.attr, c.value, c.after, &found);
    EXPECT_EQ(found, c.expect) << c.tag << "/" << c.attr << "/" << c.value;
    EXPECT_EQ(rc, c.expect ? hx::RC_OK : hx::RC_FAIL);
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
  EXPECT_EQ(root->AddEntity(b.get(), a.get()), hx::RC_OK);
  auto d = AddChild(nullptr, "D", {"Name", "d"});
  EXPECT_EQ(root->AddEntity(d.get(), c.get()), hx::RC_OK);  // after the last is the end
  EXPECT_EQ(ChildNames(root.get()), "A:a B:b C:c D:d");
  EXPECT_EQ(root->numChildren(), 4u);

  EXPECT_EQ(root->AddEntity(b.get()), hx::RC_INVALID_ARG);         // already has a parent
  EXPECT_EQ(b->AddEntity(root.get()), hx::RC_INVALID_ARG);         // its own ancestor
  EXPECT_EQ(b->AddEntity(b.get()), hx::RC_INVALID_ARG);
  auto loose = TrkInventoryEntityC::New("E");
  EXPECT_EQ(b->AddEntity(loose.get(), c.get()), hx::RC_INVALID_ARG);  // after is not b's child
  EXPECT_EQ(a->RemoveEntity(b.get()), hx::RC_FAIL);

  EXPECT_EQ(root->RemoveEntity(b.get()), hx::RC_OK);
  EXPECT_EQ(root->RemoveEntity(d.get()), hx::RC_OK);
  EXPECT_EQ(root->RemoveEntity(a.get()), hx::RC_OK);
  EXPECT_EQ(ChildNames(root.get()), "C:c");
  EXPECT_EQ(b->GetParent(), nullptr);
  EXPECT_EQ(root->AddEntity(b.get()), hx::RC_OK);  // a removed child can move again
  EXPECT_EQ(ChildNames(root.get()), "C:c B:b");
}

TEST(InventoryEntity, EveryReferenceIsGivenBackWhenTheTreeGoes) {
  const long before = ComServerCounterC::GetCount();
  {
    auto root = TrkInventoryEntityC::New("Inventory");
    auto hw = TrkTrackC::AddClass(root.get(), "CPU", "cpu0", "kstat");
    hw->AddProperty("Speed", "2000");
    auto copy = root->Clone();
    TrkInventoryEntityC* found = nullptr;
    ASSERT_EQ(copy->FindEntity("Hardware", nullptr, &found), hx::RC_OK);
    copy->RemoveEntity(found);
    EXPECT_EQ(found->GetParent(), nullptr);
    found->Release();  // the last reference: the removed subtree goes now
    EXPECT_GT(ComServerCounterC::GetCount(), before);
  }
  EXPECT_EQ(ComServerCounterC::GetCount(), before);
}

TEST(InventoryEntity, CloneCopiesTagAttributesAndChildrenButNotText) {
  auto root = TrkInventoryEntityC::New("Content");
  root->Add("Path", "/opt/a");
  root->addText("text");
  auto inst = AddChild(root.get(), "Instance", {"Name", "i1"});
  AddChild(inst.get(), "Value", {"Name", "v"})->addText("deep text");
  auto copy = root->Clone();
  EXPECT_NE(copy.get(), root.get());
  EXPECT_EQ(invtest::Digest(copy.get(), true), invtest::Digest(root.get(), true));
  EXPECT_EQ(copy->GetText(), "");
  EXPECT_EQ(copy->GetFirstChild()->GetFirstChild()->GetText(), "");
  inst->Add("Name", "changed");  // the copy is independent
  EXPECT_EQ(copy->GetFirstChild()->GetAttribute("Name"), "i1");
}

TEST(InventoryEntity, ExtractEntitiesMergesByKeyAndFillsInEvidence) {
  auto target = TrkInventoryEntityC::New("Hardware");
  target->Add("Evidence", "dmi");
  AddChild(target.get(), "Property", {"Name", "Speed", "Value", "old"});
  auto source = TrkInventoryEntityC::New("Hardware");
  source->Add("Evidence", "kstat");
  AddChild(source.get(), "Property", {"Name", "Speed", "Value", "new"});     // key already there
  AddChild(source.get(), "Instance", {"Name", "Cores"});                      // other tag stays
  AddChild(source.get(), "Property", {"Name", "Cores", "Value", "4"});        // moves, gets evidence
  AddChild(source.get(), "Property", {"Name", "Cores", "Value", "8"});        // second of a key: dropped
  AddChild(source.get(), "Property", {"Name", "Bus", "Value", "x", "Evidence", "own"});  // keeps its own

  ASSERT_EQ(target->ExtractEntities("Property", "Name", source.get()), hx::RC_OK);
  EXPECT_EQ(ChildNames(source.get()), "Instance:Cores");
  std::string got;
  for (const TrkInventoryEntityC* c = target->GetFirstChild(); c; c = c->GetNext())
    got += c->GetAttribute("Name") + "=" + c->GetAttribute("Value") + "/" + c->GetAttribute("Evidence") + " ";
  EXPECT_EQ(got, "Speed=old/ Cores=4/kstat Bus=x/own ");

  // Equal evidence on both sides: nothing is filled in.
  auto t2 = TrkInventoryEntityC::New("Hardware");
  auto s2 = TrkInventoryEntityC::New("Hardware");
  AddChild(s2.get(), "Property", {"Name", "A", "Value", "1"});
  ASSERT_EQ(t2->ExtractEntities("Property", "Name", s2.get()), hx::RC_OK);
  bool exists = true;
  t2->GetFirstChild()->AttributeExists("Evidence", &exists);
  EXPECT_FALSE(exists);
  EXPECT_EQ(t2->ExtractEntities("Property", "Name", nullptr), hx::RC_INVALID_ARG);
}

TEST(InventoryEntity, AddPropertyRules) {
  struct CaseT { const char* name; const char* value; const char* evidence; bool allowEmpty; hx::ResultT rc;
                 const char* attrs; };
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
    std::string attrs;
    if (const TrkInventoryEntityC* p = e->GetFirstChild()) {
      EXPECT_EQ(p->getTag(), "Property");
      for (const auto& a : p->GetAttributes()) attrs += a.GetName() + "=" + a.GetValue() + " ";
    }
    EXPECT_EQ(attrs, c.attrs) << c.name << c.value;
  }
  auto e = TrkInventoryEntityC::New("Hardware");
  EXPECT_EQ(e->AddProperty("Empty", ""), hx::RC_OK);  // the two-argument form allows it
  EXPECT_EQ(e->AddProperty("", "x"), hx::RC_FAIL);
  EXPECT_EQ(TrkTrackC::AddProperty(nullptr, "A", "B", "", false), hx::RC_INVALID_ARG);
}

TEST(InventoryTrack, HelpersBuildAndReadTheVocabulary) {
  auto inv = TrkInventoryC::New();
  auto cpu = TrkInventoryC::AddClass(inv.get(), "CPU", "cpu0", "");
  ASSERT_TRUE(cpu);
  cpu->AddProperty("Speed", "2000");
  cpu->AddProperty("speed", "lower");
  auto pkg = TrkTrackC::AddPackage(inv.get(), "SUNWcsr", "pkginfo");
  auto disk = TrkTrackC::AddClass(inv.get(), "Disk", "sd0", "devinfo");
  disk->AddProperty("Speed", "disk");

  std::string attrs;
  for (const auto& a : cpu->GetAttributes()) attrs += a.GetName() + "=" + a.GetValue() + " ";
  EXPECT_EQ(attrs, "Class=CPU Name=cpu0 Evidence= ");  // evidence set even when empty
  EXPECT_EQ(ChildNames(inv.get()), "Hardware:cpu0 Package:SUNWcsr Hardware:sd0");
  EXPECT_EQ(pkg->GetAttribute("Evidence"), "pkginfo");

  EXPECT_EQ(TrkTrackC::GetProperty(cpu.get(), "Speed"), "2000");
  EXPECT_EQ(TrkTrackC::GetProperty(cpu.get(), "speed"), "lower");
  EXPECT_EQ(TrkTrackC::GetProperty(cpu.get(), "Missing"), "");
  EXPECT_EQ(TrkTrackC::GetProperty(nullptr, "Speed"), "");
  EXPECT_EQ(TrkTrackC::GetClassProperty(inv.get(), "Disk", "Speed"), "disk");
  EXPECT_EQ(TrkTrackC::GetClassProperty(inv.get(), "disk", "Speed"), "");
  EXPECT_EQ(TrkTrackC::GetClassProperty(inv.get(), "Memory", "Speed"), "");
  EXPECT_FALSE(TrkTrackC::AddClass(nullptr, "CPU", "cpu0", ""));
  EXPECT_FALSE(TrkTrackC::AddPackage(nullptr, "P", ""));
}

TEST(InventoryEntity, ComponentFaceCarriesSystemTextsAndCountsOnce) {
  TrkInventoryEntityFactoryC factory;
  ZORHXTInventoryEntityI* root = nullptr;
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_ZORHXTInventoryEntity, reinterpret_cast<void**>(&root)), hx::RC_OK);
  // Texts come back as copies the caller frees.
  auto taken = [](char* text) {
    const std::string copy = text != nullptr ? text : "(null)";
    std::free(text);
    return copy;
  };
  char* text = nullptr;
  ASSERT_EQ(root->GetType(&text), hx::RC_OK);
  EXPECT_EQ(taken(text), "Inventory");
  EXPECT_EQ(root->Add(const_cast<char*>("Name"), const_cast<char*>("host")), hx::RC_OK);
  ASSERT_EQ(root->get_Item(const_cast<char*>("Name"), &text), hx::RC_OK);
  EXPECT_EQ(taken(text), "host");
  ASSERT_EQ(root->get_Item(const_cast<char*>("None"), &text), hx::RC_OK);
  EXPECT_EQ(taken(text), "");

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
}

TEST(InventoryDocument, AnswersItsFacesWithOneCount) {
  auto inv = TrkInventoryC::New();
  ZORHXTInventoryI* face = nullptr;
  ASSERT_EQ(inv->QueryInterface(IID_ZORHXTInventory, reinterpret_cast<void**>(&face)), hx::RC_OK);
  ZORHXTInventoryEntityI* root = nullptr;
  ASSERT_EQ(face->GetRootEntity(&root), hx::RC_OK);
  EXPECT_EQ(dynamic_cast<TrkInventoryC*>(root), inv.get());
  void* unknown = nullptr;
  ASSERT_EQ(face->QueryInterface(IID_IUnknown, &unknown), hx::RC_OK);
  EXPECT_EQ(static_cast<ZORUnknownI*>(unknown)->Release(), 3u);
  EXPECT_EQ(root->Release(), 2u);
  EXPECT_EQ(face->Release(), 1u);
}

}  // namespace
