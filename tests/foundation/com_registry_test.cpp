#include <gtest/gtest.h>

#include "foundation/com/ComObject.h"
#include "foundation/com/ComServer.h"
#include "foundation/com/UnixComRegistry.h"
#include "foundation/com/ZORString.h"

namespace {

constexpr ZORGUID IID_TestThing = {0x7E1D0001, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr ZORGUID IID_Unsupported = {0x7E1D0002, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr ZORGUID CLSID_First = {0x7E1D1001, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr ZORGUID CLSID_Second = {0x7E1D1002, 0x0001, 0x0001, {1, 2, 3, 4, 5, 6, 7, 8}};

class TestThingI : public ZORUnknownI {
 public:
  virtual int Kind() = 0;

 protected:
  ~TestThingI() = default;
};

// Counts live objects so that tests see whether an object was deleted.
class ThingC : public ComObjectM<TestThingI, IID_TestThing> {
 public:
  explicit ThingC(int kind) : kind_(kind) { ++s_Live; }
  ~ThingC() override { --s_Live; }
  int Kind() override { return kind_; }
  static int s_Live;

 private:
  int kind_;
};
int ThingC::s_Live = 0;

template <int Kind>
class ThingFactoryC : public ComFactoryC {
 public:
  ThingFactoryC() : ComFactoryC(Kind == 1 ? "SolarisProcessor" : "UnixComputerSystem", "") {}
  ZORUnknownI* CreateObject() override { return Kind ? new ThingC(Kind) : nullptr; }
  static ComFactoryC* Clone() { return new ThingFactoryC; }
};

char* Name(const char* s) { return const_cast<char*>(s); }

class ComRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ThingC::s_Live = 0;
    registry_ = new UnixComRegistryC;
    registry_->AddRef();
  }
  void TearDown() override {
    registry_->Release();
    EXPECT_EQ(ThingC::s_Live, 0);
  }
  ComRegistryI* reg() { return registry_->AsRegistry(); }
  ComNameRegistryI* names() { return registry_->AsNameRegistry(); }

  UnixComRegistryC* registry_ = nullptr;
};

TEST_F(ComRegistryTest, QueryInterfaceGivesBothViewsOfOneObject) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(reg()->QueryInterface(IID_Unsupported, &out), hx::RC_NO_INTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(reg()->QueryInterface(IID_IUnknown, nullptr), hx::RC_INVALID_ARG);

  const struct {
    ZORGUID iid;
    void* expected;
  } views[] = {{IID_IUnknown, reg()}, {IID_ComRegistry, reg()}, {IID_ComNameRegistry, names()}};
  const long before = ComServerCounterC::GetCount();
  for (const auto& v : views) {
    ASSERT_EQ(reg()->QueryInterface(v.iid, &out), hx::RC_OK);
    EXPECT_EQ(out, v.expected);
  }
  EXPECT_EQ(ComServerCounterC::GetCount(), before + 3);  // references move the server count
  EXPECT_EQ(names()->Release(), 3u);                      // one count behind both views
  reg()->Release();
  reg()->Release();
  EXPECT_EQ(ComServerCounterC::GetCount(), before);
}

TEST_F(ComRegistryTest, ClassObjectTable) {
  ThingFactoryC<1> first;
  ThingFactoryC<2> second;
  unsigned long cookie = 0, refused = 0;
  ASSERT_EQ(reg()->RegisterClassObject(CLSID_First, &first, &cookie), hx::RC_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(reg()->RegisterClassObject(CLSID_First, &second, &refused), hx::RC_FAIL);

  ZORClassFactoryI* factory = nullptr;
  ASSERT_EQ(reg()->GetClassObject(CLSID_First, &factory), hx::RC_OK);
  EXPECT_EQ(factory, static_cast<ZORClassFactoryI*>(&first));  // the first one stays
  EXPECT_EQ(factory->Release(), 1u);
  EXPECT_EQ(reg()->GetClassObject(CLSID_First, nullptr), hx::RC_NULL_OUT);
  EXPECT_EQ(reg()->GetClassObject(CLSID_Second, &factory), hx::RC_CLASS_NOT_REG);
  EXPECT_EQ(factory, nullptr);

  ZORUnknownI* object = nullptr;
  ASSERT_EQ(reg()->GetInstance(CLSID_First, IID_TestThing, &object), hx::RC_OK);
  EXPECT_EQ(static_cast<TestThingI*>(object)->Kind(), 1);
  EXPECT_EQ(ThingC::s_Live, 1);
  EXPECT_EQ(object->Release(), 0u);  // the caller held the only reference
  EXPECT_EQ(ThingC::s_Live, 0);
  EXPECT_EQ(reg()->GetInstance(CLSID_Second, IID_TestThing, &object), hx::RC_CLASS_NOT_REG);

  EXPECT_EQ(reg()->UnRegisterClassObject(cookie), hx::RC_OK);
  EXPECT_EQ(reg()->UnRegisterClassObject(cookie), hx::RC_FAIL);
  EXPECT_EQ(reg()->GetClassObject(CLSID_First, &factory), hx::RC_CLASS_NOT_REG);
}

TEST_F(ComRegistryTest, CreateInstanceFailuresLeaveNoObject) {
  ThingFactoryC<1> factory;
  ThingFactoryC<0> barren;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory.CreateInstance(nullptr, IID_Unsupported, &out), hx::RC_NO_INTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ThingC::s_Live, 0);  // made, found wanting, deleted
  EXPECT_EQ(factory.CreateInstance(nullptr, IID_TestThing, nullptr), hx::RC_INVALID_ARG);
  EXPECT_EQ(ThingC::s_Live, 0);
  EXPECT_EQ(barren.CreateInstance(nullptr, IID_IUnknown, &out), hx::RC_NO_INTERFACE);

  ZORUnknownI* object = nullptr;
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), hx::RC_OK);
  void* again = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_Unsupported, &again), hx::RC_NO_INTERFACE);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_TestThing, nullptr), hx::RC_INVALID_ARG);
  ASSERT_EQ(object->QueryInterface(IID_TestThing, &again), hx::RC_OK);
  EXPECT_EQ(again, object);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(ThingC::s_Live, 0);
  // The factory answers as a class factory and nothing else.
  ASSERT_EQ(factory.QueryInterface(IID_IClassFactory, &out), hx::RC_OK);
  EXPECT_EQ(out, static_cast<ZORClassFactoryI*>(&factory));
  EXPECT_EQ(factory.Release(), 1u);
  EXPECT_EQ(factory.QueryInterface(IID_ComRegistry, &out), hx::RC_NO_INTERFACE);
}

// Class names ignore case, the last registration of a name wins, and a name space path must
// match whole components from the root.
TEST_F(ComRegistryTest, ClassNamesAndNameSpacePaths) {
  ZORGUID found = IID_IUnknown;
  EXPECT_EQ(names()->FindCLSID(Name("SolarisProcessor"), &found), hx::RC_CLASS_NOT_REG);
  EXPECT_TRUE(found == GUID_NULL);
  ASSERT_EQ(names()->RegisterClassName(Name("SolarisProcessor"), CLSID_First), hx::RC_OK);
  ASSERT_EQ(names()->RegisterClassName(Name("solarisPROCESSOR"), CLSID_Second), hx::RC_OK);
  ASSERT_EQ(names()->RegisterClassName(Name("A.B:C"), CLSID_First), hx::RC_OK);
  ASSERT_EQ(names()->RegisterClassName(Name("a:d"), CLSID_Second), hx::RC_OK);
  const struct { const char* name; hx::ResultT rc; ZORGUID clsid; } cases[] = {
      {"SOLARISPROCESSOR", hx::RC_OK, CLSID_Second}, {"solarisprocessor", hx::RC_OK, CLSID_Second},
      {"a.b:c", hx::RC_OK, CLSID_First},          {"A.b:C", hx::RC_OK, CLSID_First},
      {"c", hx::RC_CLASS_NOT_REG, GUID_NULL},      {"a:c", hx::RC_CLASS_NOT_REG, GUID_NULL},
      {"b:c", hx::RC_CLASS_NOT_REG, GUID_NULL},    {"a:d", hx::RC_OK, CLSID_Second},
      {"a.b:d", hx::RC_CLASS_NOT_REG, GUID_NULL},  {"d", hx::RC_CLASS_NOT_REG, GUID_NULL},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(names()->FindCLSID(Name(c.name), &found), c.rc) << c.name;
    EXPECT_TRUE(found == c.clsid) << c.name;
  }
  EXPECT_EQ(names()->UnRegisterClassName(Name("SOLARISProcessor")), hx::RC_OK);
  EXPECT_EQ(names()->FindCLSID(Name("SolarisProcessor"), &found), hx::RC_CLASS_NOT_REG);
  EXPECT_EQ(names()->UnRegisterClassName(Name("NeverThere")), hx::RC_OK);
  EXPECT_EQ(names()->FindCLSID(Name("x"), nullptr), hx::RC_NULL_OUT);
}

TEST(ComNameSpace, ParseAndTreeShape) {
  const struct { const char* text; const char* first; const char* rest; bool last; } cases[] = {
      {"Tracker", "", "tracker", true},
      {"NS:Class", "ns", "class", true},
      {"A.B:C", "a", "b:c", false},
      {"x:y.z", "x", "y.z", true},  // a "." after the ":" belongs to the class name
      {":c", "", "c", true},
  };
  for (const auto& c : cases) {
    const ComNamePartsT p = ParseName(c.text);
    EXPECT_EQ(p.first, c.first) << c.text;
    EXPECT_EQ(p.rest, c.rest) << c.text;
    EXPECT_EQ(p.last, c.last) << c.text;
  }

  ComNameSpaceC root("");
  root.CreateSubSpace("a.b:c");
  root.CreateSubSpace("a.e:f");
  root.CreateSubSpace("plain");
  ASSERT_EQ(root.GetChildCount(), 1u);
  ComNameSpaceC* a = root.FindNameSpace("a:x");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetChildCount(), 2u);
  ComNameSpaceC* b = root.FindNameSpace("a.b:c");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetName(), "b");
  EXPECT_EQ(b->GetParent(), a);
  EXPECT_EQ(root.FindNameSpace("plain"), &root);
  EXPECT_EQ(root.FindNameSpace("a.zz:c"), nullptr);
}

TEST_F(ComRegistryTest, CreateByNameAndServerTables) {
  ComObjectEntryC first(CLSID_First, &ThingFactoryC<1>::Clone);
  ComObjectEntryC second(CLSID_Second, &ThingFactoryC<2>::Clone);
  ComObjectEntryC* entries[] = {&first, &second, nullptr};
  ComServerC server(entries);
  ASSERT_EQ(server.Register(reg()), hx::RC_OK);
  ASSERT_NE(first.GetFactory(), nullptr);
  EXPECT_NE(first.GetCookie(), 0u);
  const unsigned long cookie = first.GetCookie();
  server.Register(reg());  // registered entries are left alone
  EXPECT_EQ(first.GetCookie(), cookie);
  for (ComObjectEntryC* e : {&first, &second}) {
    ZORStringTC name(e->GetFactory()->GetClassName());
    names()->RegisterClassName(name, e->GetCLSID());
  }

  ZORUnknownI* object = nullptr;
  ASSERT_EQ(names()->GetInstance(Name("unixcomputersystem"), IID_TestThing, &object), hx::RC_OK);
  EXPECT_EQ(static_cast<TestThingI*>(object)->Kind(), 2);
  object->Release();
  EXPECT_EQ(names()->GetInstance(Name("NoSuchClass"), IID_TestThing, &object), hx::RC_CLASS_NOT_REG);
  EXPECT_EQ(object, nullptr);

  ZORUnknownI* classObject = nullptr;
  ASSERT_EQ(server.GetCOMObject(CLSID_Second, IID_IClassFactory, &classObject), hx::RC_OK);
  EXPECT_EQ(classObject, static_cast<ZORUnknownI*>(second.GetFactory()));
  classObject->Release();
  EXPECT_EQ(server.GetCOMObject(IID_TestThing, IID_IClassFactory, &classObject), hx::RC_CLASS_NOT_REG);

  ASSERT_EQ(server.Unregister(reg()), hx::RC_OK);
  EXPECT_EQ(first.GetFactory(), nullptr);
  EXPECT_EQ(first.GetCookie(), 0u);
  EXPECT_EQ(reg()->GetInstance(CLSID_First, IID_TestThing, &object), hx::RC_CLASS_NOT_REG);
}

TEST_F(ComRegistryTest, ServerLeavesRefusedEntryUnregistered) {
  ThingFactoryC<2> earlier;
  unsigned long cookie = 0;
  ASSERT_EQ(reg()->RegisterClassObject(CLSID_First, &earlier, &cookie), hx::RC_OK);
  ComObjectEntryC entry(CLSID_First, &ThingFactoryC<1>::Clone);
  ComObjectEntryC* entries[] = {&entry, nullptr};
  ComServerC server(entries);
  EXPECT_EQ(server.Register(reg()), hx::RC_OK);
  EXPECT_EQ(entry.GetCookie(), 0u);
  ZORUnknownI* object = nullptr;
  ASSERT_EQ(reg()->GetInstance(CLSID_First, IID_TestThing, &object), hx::RC_OK);
  EXPECT_EQ(static_cast<TestThingI*>(object)->Kind(), 2);
  object->Release();
  reg()->UnRegisterClassObject(cookie);
}

TEST(ComRegistryProcess, InstanceAndDeviceLifecycle) {
  // Start from no process-wide registry whatever earlier tests left behind.
  ComRegistryC::DeviceInitialize(nullptr, 0);
  ComRegistryC::DeviceFinalize();

  ComRegistryI* first = ComRegistryC::Instance();
  EXPECT_EQ(ComRegistryC::Instance(), first);
  EXPECT_EQ(ComRegistryC::DeviceInitialize(nullptr, ComRegistryC::c_AllFlags), hx::RC_OK);
  EXPECT_EQ(ComRegistryC::Instance(), first);
  EXPECT_EQ(ComRegistryC::DeviceFinalize(), hx::RC_OK);

  // An external registry handed in while none exists becomes the process-wide one.
  UnixComRegistryC* external = new UnixComRegistryC;
  external->AddRef();  // ours
  external->AddRef();  // handed over
  EXPECT_EQ(ComRegistryC::DeviceInitialize(external, 0), hx::RC_OK);
  EXPECT_EQ(ComRegistryC::Instance(), external->AsRegistry());
  external->AddRef();  // someone else still uses it: finalising keeps it process-wide
  ComRegistryC::DeviceFinalize();
  EXPECT_EQ(ComRegistryC::Instance(), external->AsRegistry());
  external->Release();
  external->Release();  // last reference: the registry must not be left dangling
  ComRegistryI* fresh = ComRegistryC::Instance();
  ASSERT_NE(fresh, nullptr);
  void* out = nullptr;
  EXPECT_EQ(fresh->QueryInterface(IID_ComNameRegistry, &out), hx::RC_OK);
  static_cast<ComNameRegistryI*>(out)->Release();
}

}  // namespace
