#pragma once
// ComRegistryC: the process-wide component registry. One object offers both views, by class
// identifier (ComRegistryI) and by class name (ComNameRegistryI); this class holds the name
// tree and the reference count, the class object table is the platform's (UnixComRegistryC).
// Its static operations manage the process-wide instance and the loading of modules.
//
// Registration happens during start-up on the main thread, before any lookup from another
// thread, so the tables are not locked; only the counts are atomic.

#include <atomic>

#include "foundation/com/ComModule.h"
#include "foundation/com/ComNameSpace.h"
#include "foundation/com/ComRegistryI.h"
#include "foundation/core/Nodiscard.h"

class ComRegistryC : public ComRegistryI, public ComNameRegistryI {
 public:
  // The flags the program initialises the registry with at start-up.
  static constexpr unsigned long c_AllFlags = 0xFFFFFFFFul;

  // The process-wide registry, created with one reference on first use. No reference is
  // added for the caller.
  static ComRegistryI* Instance();
  // With an external registry and none yet, that one becomes the process-wide registry (the
  // caller hands one reference over); otherwise the registry is created if needed and given
  // one more reference. Then InitializeEx (flags) and its result.
  HX_NODISCARD static hx::ResultT DeviceInitialize(ComRegistryI* external, unsigned long flags);
  // Finalize, then drops the reference of DeviceInitialize; the registry is forgotten (and
  // destroyed) when only the first reference would be left.
  HX_NODISCARD static hx::ResultT DeviceFinalize();
  // Loads a module and calls its initialise entry point with one reference to the registry.
  // RC_FAIL with *out null when the library cannot be loaded; RC_FAIL with *out set when it
  // lacks the entry point (the caller still unregisters it).
  HX_NODISCARD static hx::ResultT RegisterModule(const StringC& name, ComModuleC** out);
  // Calls the module's finalise entry point (RC_FAIL when missing), then deletes the module,
  // which closes its library. Null gives 0.
  HX_NODISCARD static hx::ResultT UnRegisterModule(ComModuleC* module);

  ComRegistryC(const ComRegistryC&) = delete;
  ComRegistryC& operator=(const ComRegistryC&) = delete;

  // Both views share one identity and one count.
  hx::ResultT QueryInterface(const ZORGUID& iid, void** out) override;
  unsigned long AddRef() override;
  unsigned long Release() override;

  hx::ResultT InitializeEx(unsigned long flags) override;

  using ComRegistryI::GetInstance;
  hx::ResultT GetInstance(char* const& name, const ZORGUID& iid, ZORUnknownI** out) override;
  hx::ResultT RegisterClassName(char* name, ZORGUID clsid) override;
  hx::ResultT UnRegisterClassName(char* name) override;
  hx::ResultT FindCLSID(char* name, ZORGUID* clsid) override;

  ComRegistryI* AsRegistry() { return this; }
  ComNameRegistryI* AsNameRegistry() { return this; }

 protected:
  ComRegistryC();
  virtual ~ComRegistryC();

 private:
  // The node that holds the class name of text: its name space, or the root when the path
  // leads nowhere.
  ComNameSpaceC& NameSpaceOf(const char* name);

  static ComRegistryI* s_Registry;

  std::atomic<long> refs_{0};
  ComNameSpaceC root_;
};
