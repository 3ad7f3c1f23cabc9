#include "hardware/framework/ProviderTable.h"

#include "foundation/com/ComRef.h"
#include "foundation/com/ComRegistryI.h"

void HWProviderRegistrationC::Register(ComRegistryI* registry) {
  if (registry == nullptr || registry_) return;
  registry_ = registry;
  server_.Register(registry_.get());
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
    for (StringC& name : names_) names->UnRegisterClassName(name.data());
  }
  names_.clear();
  server_.Unregister(registry_.get());
  registry_.reset();
}
