// The component model plug-ins and the hardware framework stand on: identifiers and their text
// forms, the strings handed across the plug-in boundary, the registry's class table, class names
// and name spaces, servers, the process-wide registry and loadable modules.

#include "support/TestSupport.h"

#include "foundation/com/ComObject.h"
#include "foundation/com/ComRegistry.h"
#include "foundation/com/ComServer.h"
#include "foundation/com/ComServerCounter.h"
#include "foundation/com/UnixComRegistry.h"
#include "foundation/com/ZORGuid.h"
#include "foundation/com/ZORString.h"
#include "tests/com_module/TestComModule.h"

namespace {

char* Name(const char* s) { return const_cast<char*>(s); }

// The registry form names classes in the traces; parsing identifiers has no caller.
TEST(ComGuid, RegistryFormAndEquality) {
  EXPECT_EQ(ComGuidC(IID_IClassFactory).ToString(), "{00000001-0000-0000-C000-000000000046}");
  EXPECT_EQ(ComGuidC(IID_ComRegistry).ToString(), "{FA199261-85EB-11D3-9C01-004005E12D13}");
  EXPECT_EQ(ComGuidC(GUID_NULL).ToString(), "{00000000-0000-0000-0000-000000000000}");
  ComGuidC other(IID_ComRegistry);
  other.Data4[7] ^= 1;  // equality looks at the last byte too
  EXPECT_FALSE(other == IID_ComRegistry);
}

// Empty strings read as "" (never a null pointer); program text is UTF-8, the system encoding
// in the tests' C locale is Latin-1; the char* Detach hands out is the receiver's to free.
TEST(ComZORString, EmptyFormsConversionsAndDetach) {
  for (const ZORStringC& empty : {ZORStringC(), ZORStringC(static_cast<const char*>(nullptr))})
    EXPECT_STREQ(empty.c_str(), "");
  const ZORStringC sys8(StringC("caf\xC3\xA9"));
  EXPECT_EQ(sys8, "caf\xE9");
  EXPECT_EQ(StringC(sys8), "caf\xC3\xA9");
  ZORStringTC owned(StringC("Solaris\xC3\xA9"));
  EXPECT_STREQ(owned, "Solaris\xE9");
  ZORStringTC handed(StringC("kept"));
  char* detached = handed.Detach();
  EXPECT_STREQ(detached, "kept");
  std::free(detached);  // a double free would show under the sanitizer
}

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

class ComRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ThingC::s_Live = 0;
    registry_->AddRef();
  }
  void TearDown() override {
    registry_->Release();
    EXPECT_EQ(ThingC::s_Live, 0);
  }
  ComRegistryI* reg() { return registry_->AsRegistry(); }
  ComNameRegistryI* names() { return registry_->AsNameRegistry(); }

  UnixComRegistryC* registry_ = new UnixComRegistryC;
};

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

// An object that does not offer what is asked is deleted at once; the factory answers as a
// class factory and nothing else.
TEST_F(ComRegistryTest, CreateInstanceFailuresLeaveNoObject) {
  ThingFactoryC<1> factory;
  ThingFactoryC<0> barren;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory.CreateInstance(nullptr, IID_Unsupported, &out), hx::RC_NO_INTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ThingC::s_Live, 0);
  EXPECT_EQ(barren.CreateInstance(nullptr, IID_IUnknown, &out), hx::RC_NO_INTERFACE);
  ZORUnknownI* object = nullptr;
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), hx::RC_OK);
  void* again = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_Unsupported, &again), hx::RC_NO_INTERFACE);
  EXPECT_EQ(again, nullptr);
  ASSERT_EQ(object->QueryInterface(IID_TestThing, &again), hx::RC_OK);
  EXPECT_EQ(again, object);
  EXPECT_EQ(object->Release(), 1u);
  EXPECT_EQ(object->Release(), 0u);
  ASSERT_EQ(factory.QueryInterface(IID_IClassFactory, &out), hx::RC_OK);
  EXPECT_EQ(out, static_cast<ZORClassFactoryI*>(&factory));
  EXPECT_EQ(factory.Release(), 1u);
  EXPECT_EQ(factory.QueryInterface(IID_ComRegistry, &out), hx::RC_NO_INTERFACE);
}

// Class names ignore case, the last registration of a name wins, and a name space path must
// match whole components from the root ("." inside a name space, ":" before the class name).
TEST_F(ComRegistryTest, ClassNamesAndNameSpacePaths) {
  ZORGUID found = IID_IUnknown;
  EXPECT_EQ(names()->FindCLSID(Name("SolarisProcessor"), &found), hx::RC_CLASS_NOT_REG);
  EXPECT_TRUE(found == GUID_NULL);
  for (const auto& [name, clsid] : {std::pair<const char*, ZORGUID>{"SolarisProcessor", CLSID_First},
                                    {"solarisPROCESSOR", CLSID_Second}, {"A.B:C", CLSID_First}, {"a:d", CLSID_Second},
                                    {"x:y.z", CLSID_First}})
    ASSERT_EQ(names()->RegisterClassName(Name(name), clsid), hx::RC_OK);
  const struct { const char* name; ZORGUID clsid; } cases[] = {
      {"SOLARISPROCESSOR", CLSID_Second}, {"a.b:c", CLSID_First}, {"A.b:C", CLSID_First}, {"c", GUID_NULL},
      {"a:c", GUID_NULL},  {"b:c", GUID_NULL},  {"a:d", CLSID_Second}, {"a.b:d", GUID_NULL}, {"d", GUID_NULL},
      {"x:y.z", CLSID_First}, {"x.y:z", GUID_NULL},  // a "." after the ":" belongs to the class name
  };
  for (const auto& c : cases) {
    const bool registered = !(c.clsid == GUID_NULL);
    EXPECT_EQ(names()->FindCLSID(Name(c.name), &found), registered ? hx::RC_OK : hx::RC_CLASS_NOT_REG) << c.name;
    EXPECT_TRUE(found == c.clsid) << c.name;
  }
  EXPECT_EQ(names()->UnRegisterClassName(Name("SOLARISProcessor")), hx::RC_OK);
  EXPECT_EQ(names()->FindCLSID(Name("SolarisProcessor"), &found), hx::RC_CLASS_NOT_REG);
  EXPECT_EQ(names()->UnRegisterClassName(Name("NeverThere")), hx::RC_OK);
}

// A server registers its table (leaving an entry alone that is registered, or refused because
// the class has a factory already), objects are made by class name, and unregistering clears
// the entries.
TEST_F(ComRegistryTest, CreateByNameAndServerTables) {
  ThingFactoryC<2> earlier;
  unsigned long earlierCookie = 0;
  ASSERT_EQ(reg()->RegisterClassObject(CLSID_Second, &earlier, &earlierCookie), hx::RC_OK);
  ComObjectEntryC first(CLSID_First, &ThingFactoryC<1>::Clone);
  ComObjectEntryC second(CLSID_Second, &ThingFactoryC<1>::Clone);
  ComObjectEntryC* entries[] = {&first, &second, nullptr};
  ComServerC server(entries);
  ASSERT_EQ(server.Register(reg()), hx::RC_OK);
  ASSERT_NE(first.GetFactory(), nullptr);
  const unsigned long cookie = first.GetCookie();
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(second.GetCookie(), 0u);  // refused: the earlier factory stays
  HX_IGNORE_RESULT(server.Register(reg()));  // the cookies say what it did
  EXPECT_EQ(first.GetCookie(), cookie);
  ZORStringTC name(first.GetFactory()->GetClassName());
  names()->RegisterClassName(name, CLSID_First);
  names()->RegisterClassName(Name("UnixComputerSystem"), CLSID_Second);

  ZORUnknownI* object = nullptr;
  ASSERT_EQ(names()->GetInstance(Name("solarisprocessor"), IID_TestThing, &object), hx::RC_OK);
  EXPECT_EQ(static_cast<TestThingI*>(object)->Kind(), 1);
  object->Release();
  ASSERT_EQ(names()->GetInstance(Name("unixcomputersystem"), IID_TestThing, &object), hx::RC_OK);
  EXPECT_EQ(static_cast<TestThingI*>(object)->Kind(), 2);
  object->Release();
  EXPECT_EQ(names()->GetInstance(Name("NoSuchClass"), IID_TestThing, &object), hx::RC_CLASS_NOT_REG);
  EXPECT_EQ(object, nullptr);

  ASSERT_EQ(server.Unregister(reg()), hx::RC_OK);
  EXPECT_EQ(first.GetFactory(), nullptr);
  EXPECT_EQ(first.GetCookie(), 0u);
  EXPECT_EQ(reg()->GetInstance(CLSID_First, IID_TestThing, &object), hx::RC_CLASS_NOT_REG);
  reg()->UnRegisterClassObject(earlierCookie);
}

TEST(ComRegistryProcess, InstanceAndDeviceLifecycle) {
  // Start from no process-wide registry whatever earlier tests left behind.
  HX_IGNORE_RESULT(ComRegistryC::DeviceInitialize(nullptr, 0));  // only a clean start is wanted
  HX_IGNORE_RESULT(ComRegistryC::DeviceFinalize());
  ComRegistryI* first = ComRegistryC::Instance();
  EXPECT_EQ(ComRegistryC::Instance(), first);
  EXPECT_EQ(ComRegistryC::DeviceInitialize(nullptr, ComRegistryC::c_AllFlags), hx::RC_OK);
  EXPECT_EQ(ComRegistryC::Instance(), first);
  EXPECT_EQ(ComRegistryC::DeviceFinalize(), hx::RC_OK);
  ComRegistryI* fresh = ComRegistryC::Instance();  // made again on first use
  ASSERT_NE(fresh, nullptr);
  void* out = nullptr;
  EXPECT_EQ(fresh->QueryInterface(IID_ComNameRegistry, &out), hx::RC_OK);
  static_cast<ComNameRegistryI*>(out)->Release();
}

const StringC c_ModuleDir = StringC(HX_BINARY_DIR) + "/lib/";

ComNameRegistryI* NameRegistry() {
  void* out = nullptr;
  EXPECT_EQ(ComRegistryC::Instance()->QueryInterface(IID_ComNameRegistry, &out), hx::RC_OK);
  return static_cast<ComNameRegistryI*>(out);
}

// The plug-in manager names a module without its suffix; the suffix is added only when missing.
TEST(ComModule, RegistersItsClasses) {
  ComNameRegistryI* names = NameRegistry();
  const long before = ComServerCounterC::GetCount();
  ComModuleC* module = nullptr;
  ASSERT_EQ(ComRegistryC::RegisterModule(c_ModuleDir + "libtest_com_module", &module), hx::RC_OK);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ComServerCounterC::GetCount(), before);  // the entry point released its reference
  ZORUnknownI* object = nullptr;
  ASSERT_EQ(names->GetInstance(Name("testmoduleclass"), IID_TestModuleObject, &object), hx::RC_OK);
  EXPECT_EQ(static_cast<TestModuleObjectI*>(object)->Answer(), c_TestModuleAnswer);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(ComServerCounterC::GetCount(), before);
  names->Release();
  EXPECT_EQ(ComRegistryC::UnRegisterModule(module), hx::RC_OK);
}

TEST(ComModule, MissingLibraryOrEntryPoints) {
  ComRegistryC::Instance();  // made now, so that its own reference is not counted below
  const long before = ComServerCounterC::GetCount();
  ComModuleC* module = reinterpret_cast<ComModuleC*>(1);
  EXPECT_EQ(ComRegistryC::RegisterModule(c_ModuleDir + "libtest_com_absent", &module), hx::RC_FAIL);
  EXPECT_EQ(module, nullptr);
  // A library that loads but is no component module: both entry points fail and no reference
  // to the registry is left behind.
  ASSERT_EQ(ComRegistryC::RegisterModule(c_ModuleDir + "libtest_com_empty", &module), hx::RC_FAIL);
  EXPECT_EQ(ComServerCounterC::GetCount(), before);
  // The module is still handed out (its owner closes it); without a finalising entry point
  // unregistering it fails, and it is closed all the same.
  EXPECT_EQ(ComRegistryC::UnRegisterModule(module), hx::RC_FAIL);
}

}  // namespace
