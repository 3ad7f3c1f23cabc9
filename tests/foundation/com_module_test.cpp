#include <gtest/gtest.h>

#include <dlfcn.h>

#include "foundation/com/ComRegistry.h"
#include "foundation/com/ComServerCounter.h"
#include "tests/com_module/TestComModule.h"

namespace {

const StringC c_ModuleDir = StringC(HX_BINARY_DIR) + "/lib/";

char* Name(const char* s) { return const_cast<char*>(s); }

ComNameRegistryI* NameRegistry() {
  void* out = nullptr;
  EXPECT_EQ(ComRegistryC::Instance()->QueryInterface(IID_ComNameRegistry, &out), hx::RC_OK);
  return static_cast<ComNameRegistryI*>(out);
}

TEST(ComModule, RegistersClassesUntilUnregistered) {
  ComNameRegistryI* names = NameRegistry();
  const long before = ComServerCounterC::GetCount();
  for (const char* suffix : {"", ".so"}) {  // the suffix is added only when missing
    ComModuleC* module = nullptr;
    ASSERT_EQ(ComRegistryC::RegisterModule(c_ModuleDir + "libtest_com_module" + suffix, &module), hx::RC_OK);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ComServerCounterC::GetCount(), before);  // the entry point released its reference

    ZORUnknownI* object = nullptr;
    ASSERT_EQ(names->GetInstance(Name("testmoduleclass"), IID_TestModuleObject, &object), hx::RC_OK);
    EXPECT_EQ(static_cast<TestModuleObjectI*>(object)->Answer(), c_TestModuleAnswer);
    EXPECT_EQ(object->Release(), 0u);

    const StringC path = module->GetPath();
    EXPECT_EQ(ComRegistryC::UnRegisterModule(module), hx::RC_OK);
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "library still loaded";
    ZORGUID clsid;
    EXPECT_EQ(names->FindCLSID(Name(c_TestModuleClassName), &clsid), hx::RC_CLASS_NOT_REG);
    ZORClassFactoryI* factory = nullptr;
    EXPECT_EQ(ComRegistryC::Instance()->GetClassObject(CLSID_TestModuleObject, &factory), hx::RC_CLASS_NOT_REG);
    EXPECT_EQ(ComServerCounterC::GetCount(), before);
  }
  names->Release();
}

TEST(ComModule, MissingLibraryOrEntryPoints) {
  ComRegistryC::Instance();  // made now, so that its own reference is not counted below
  const long before = ComServerCounterC::GetCount();
  ComModuleC* module = reinterpret_cast<ComModuleC*>(1);
  EXPECT_EQ(ComRegistryC::RegisterModule(c_ModuleDir + "libtest_com_absent", &module), hx::RC_FAIL);
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(ComRegistryC::RegisterModule("libtest_com_absent", nullptr), hx::RC_NULL_OUT);

  // A library that loads but is no component module: both entry points fail, no reference
  // to the registry is left behind, and the module is still given back to be unregistered.
  ASSERT_EQ(ComRegistryC::RegisterModule(c_ModuleDir + "libtest_com_empty", &module), hx::RC_FAIL);
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(module->IsLoaded());
  EXPECT_EQ(ComRegistryC::UnRegisterModule(module), hx::RC_FAIL);
  EXPECT_EQ(ComRegistryC::UnRegisterModule(nullptr), hx::RC_OK);
  EXPECT_EQ(ComServerCounterC::GetCount(), before);
}

}  // namespace
