#include "foundation/com/ComRegistry.h"

#include "foundation/com/ComServerCounter.h"
#include "foundation/com/ComTrace.h"
#include "foundation/com/UnixComRegistry.h"
#include "foundation/trace/Tracer.h"

ComRegistryI* ComRegistryC::s_Registry = nullptr;

ComRegistryC::ComRegistryC() : root_(StringC()) {}

ComRegistryC::~ComRegistryC() {
  // A registry that goes away by other hands than DeviceFinalize must not stay process-wide.
  if (s_Registry == static_cast<ComRegistryI*>(this)) s_Registry = nullptr;
}

// ---- process-wide instance and modules ----

ComRegistryI* ComRegistryC::Instance() {
  if (s_Registry == nullptr) {
    ComRegistryC* registry = new UnixComRegistryC;
    registry->AddRef();
    s_Registry = registry;
  }
  return s_Registry;
}

hx::ResultT ComRegistryC::DeviceInitialize(ComRegistryI* external, unsigned long flags) {
  if (external != nullptr && s_Registry == nullptr) {
    s_Registry = external;
  } else {
    Instance()->AddRef();
  }
  return s_Registry->InitializeEx(flags);
}

hx::ResultT ComRegistryC::DeviceFinalize() {
  ComRegistryI* registry = s_Registry;
  if (registry == nullptr) return hx::RC_OK;
  const hx::ResultT rc = registry->Finalize();
  const unsigned long left = registry->Release();
  if (left <= 1) s_Registry = nullptr;
  // Only the reference of the first Instance() is left: nobody else uses the registry.
  if (left == 1) registry->Release();
  return rc;
}

hx::ResultT ComRegistryC::RegisterModule(const StringC& name, ComModuleC** out) {
  if (out == nullptr) return hx::RC_NULL_OUT;
  *out = nullptr;
  ComModuleC* module = new ComModuleC(name);
  if (!module->Load()) {
    delete module;
    return hx::RC_FAIL;
  }
  *out = module;
  const ComModuleC::EntryPointT initialize = module->GetInitialize();
  if (initialize == nullptr) return hx::RC_FAIL;
  ComRegistryI* registry = Instance();
  registry->AddRef();  // the entry point's, released by it
  const hx::ResultT rc = initialize(registry);
  hx::Trace(c_ComTraceCategory, "Module %s initialized: 0x%08X\n", module->GetPath(),
            static_cast<uint32_t>(rc));
  return rc;
}

hx::ResultT ComRegistryC::UnRegisterModule(ComModuleC* module) {
  if (module == nullptr) return hx::RC_OK;
  hx::ResultT rc = hx::RC_OK;
  if (module->IsLoaded()) {
    const ComModuleC::EntryPointT finalize = module->GetFinalize();
    if (finalize == nullptr) {
      rc = hx::RC_FAIL;
    } else {
      ComRegistryI* registry = Instance();
      registry->AddRef();  // the entry point's, released by it
      rc = finalize(registry);
    }
    hx::Trace(c_ComTraceCategory, "Module %s finalized: 0x%08X\n", module->GetPath(),
              static_cast<uint32_t>(rc));
  }
  delete module;
  return rc;
}

// ---- the object ----

hx::ResultT ComRegistryC::QueryInterface(const ZORGUID& iid, void** out) {
  if (out == nullptr) return hx::RC_INVALID_ARG;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_ComRegistry) {
    *out = AsRegistry();
  } else if (iid == IID_ComNameRegistry) {
    *out = AsNameRegistry();
  } else {
    return hx::RC_NO_INTERFACE;
  }
  AddRef();
  return hx::RC_OK;
}

unsigned long ComRegistryC::AddRef() {
  ComServerCounterC::Increment();
  return static_cast<unsigned long>(refs_.fetch_add(1, std::memory_order_relaxed) + 1);
}

unsigned long ComRegistryC::Release() {
  ComServerCounterC::Decrement();
  const long left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return static_cast<unsigned long>(left);
}

hx::ResultT ComRegistryC::InitializeEx(unsigned long /*flags*/) { return Initialize(); }

// ---- the name registry view ----

ComNameSpaceC& ComRegistryC::NameSpaceOf(const char* name) {
  ComNameSpaceC* node = root_.FindNameSpace(name);
  return node ? *node : root_;
}

hx::ResultT ComRegistryC::GetInstance(char* const& name, const ZORGUID& iid, ZORUnknownI** out) {
  if (out != nullptr) *out = nullptr;
  ComGuidC clsid;
  if (hx::Failed(FindCLSID(name, &clsid))) return hx::RC_CLASS_NOT_REG;
  return GetInstance(clsid.guid(), iid, out);
}

hx::ResultT ComRegistryC::RegisterClassName(char* name, ZORGUID clsid) {
  if (name == nullptr) return hx::RC_INVALID_ARG;
  root_.CreateSubSpace(name);
  NameSpaceOf(name).PutEntry(ComClassNameProper(name), clsid);
  hx::Trace(c_ComTraceCategory, "Class name %s registered as %s\n", name, ComGuidC(clsid).ToString());
  return hx::RC_OK;
}

hx::ResultT ComRegistryC::UnRegisterClassName(char* name) {
  if (name == nullptr) return hx::RC_INVALID_ARG;
  NameSpaceOf(name).RemoveEntry(ComClassNameProper(name));
  return hx::RC_OK;
}

hx::ResultT ComRegistryC::FindCLSID(char* name, ZORGUID* clsid) {
  if (clsid == nullptr) return hx::RC_NULL_OUT;
  *clsid = GUID_NULL;
  if (name == nullptr) return hx::RC_INVALID_ARG;
  const ComClassEntryC* entry = NameSpaceOf(name).GetEntry(ComClassNameProper(name));
  if (entry == nullptr) return hx::RC_CLASS_NOT_REG;
  *clsid = entry->GetCLSID();
  return hx::RC_OK;
}
