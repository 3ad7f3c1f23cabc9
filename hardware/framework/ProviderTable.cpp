#include "hardware/framework/ProviderTable.h"

#include "foundation/com/ComRef.h"
#include "foundation/com/ComRegistryI.h"

void HWProviderRegistrationC::Register(ComRegistryI* registry) {
  if (registry == nullptr || registry_) return;
  registry_ = registry;
  // A class that would not register is missing when the hardware step asks for it, which logs it.
  HX_IGNORE_RESULT(server_.Register(registry_.get()));
  const RefM<ComNameRegistryI> names = hx::QueryRef<ComNameRegistryI>(registry_.get(), IID_ComNameRegistry);
  if (!names) return;
  for (ComObjectEntryC** e = table_; *e != nullptr; ++e) {
    const ComFactoryC* factory = (*e)->GetFactory();
    if (factory == nullptr || factory->GetClassName().empty()) continue;
    StringC name = factory->GetClassName();
    if (hx::Succeeded(names->RegisterClassName(name.data(), (*e)->GetCLSID()))) names_.push_back(name);
  }
}

void HWProviderRegistrationC::Unregister() {
  if (!registry_) return;
  if (const RefM<ComNameRegistryI> names = hx::QueryRef<ComNameRegistryI>(registry_.get(), IID_ComNameRegistry)) {
    // Going away: a name that would not go is the registry's to drop at its end.
    for (StringC& name : names_) HX_IGNORE_RESULT(names->UnRegisterClassName(name.data()));
  }
  names_.clear();
  HX_IGNORE_RESULT(server_.Unregister(registry_.get()));  // the same for the classes
  registry_.reset();
}
