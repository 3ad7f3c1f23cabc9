// A component module as a plug-in would be written: one class, registered by identifier and
// by name when the module is initialised, and taken out again when it is finalised.

#include "foundation/com/ComObject.h"
#include "foundation/com/ComServer.h"
#include "foundation/core/Nodiscard.h"
#include "tests/com_module/TestComModule.h"

namespace {

class TestModuleObjectC : public ComObjectM<TestModuleObjectI, IID_TestModuleObject> {
 public:
  int Answer() override { return c_TestModuleAnswer; }
};

class TestModuleFactoryC : public ComFactoryC {
 public:
  TestModuleFactoryC() : ComFactoryC(c_TestModuleClassName, "Test.ModuleClass") {}
  ZORUnknownI* CreateObject() override { return new TestModuleObjectC; }
  static ComFactoryC* Clone() { return new TestModuleFactoryC; }
};

ComObjectEntryC s_Entry(CLSID_TestModuleObject, &TestModuleFactoryC::Clone);
ComObjectEntryC* s_Entries[] = {&s_Entry, nullptr};
ComServerC s_Server(s_Entries);

char* ClassName() { return const_cast<char*>(c_TestModuleClassName); }

}  // namespace

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleInitialize(ComRegistryI* registry) {
  hx::ResultT rc = s_Server.Register(registry);
  ComNameRegistryI* names = nullptr;
  if (hx::Succeeded(rc)) rc = registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names));
  if (hx::Succeeded(rc)) {
    rc = names->RegisterClassName(ClassName(), CLSID_TestModuleObject);
    names->Release();
  }
  registry->Release();
  return rc;
}

extern "C" __attribute__((visibility("default"))) hx::ResultT ZORComModuleFinalize(ComRegistryI* registry) {
  ComNameRegistryI* names = nullptr;
  if (hx::Succeeded(registry->QueryInterface(IID_ComNameRegistry, reinterpret_cast<void**>(&names)))) {
    HX_IGNORE_RESULT(names->UnRegisterClassName(ClassName()));  // going away either way
    names->Release();
  }
  HX_IGNORE_RESULT(s_Server.Unregister(registry));
  registry->Release();
  return hx::RC_OK;
}
