#include "hardware/solaris/identity/HWClass_SolarisSystemEnclosure.h"

hx::ResultT HWClass_SolarisSystemEnclosure::PopulateInstance(RefM<HWInstance> instance) {
  return PopulateSMBios(instance);
}
