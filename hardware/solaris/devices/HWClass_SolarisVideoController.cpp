#include "hardware/solaris/devices/HWClass_SolarisVideoController.h"

#include "foundation/core/Format.h"

namespace {

constexpr const char* c_DisplayType = "ddi_display";
constexpr const char* c_NumberFormat = "%d";

struct PromNumberT {
  const char* prom;
  const char* property;
};
constexpr PromNumberT c_PromNumbers[] = {
    {"v_freq", HWClass_SolarisVideoController::c_CurrentRefreshRate},
    {"width", HWClass_SolarisVideoController::c_CurrentHorizontalResolution},
    {"height", HWClass_SolarisVideoController::c_CurrentVerticalResolution},
};
constexpr const char* c_PromModel = "model";

}  // namespace

hx::ResultT HWClass_SolarisVideoController::GetInventory(HWInstanceListT& instances, StringC className,
                                                         const PropertyMap& parameters) {
  return GetInventoryFromDevices(instances, className, parameters);
}

bool HWClass_SolarisVideoController::FilterDevice(RefM<SolarisDevice> device) {
  return device->GetNodeType() == c_DisplayType;
}

hx::ResultT HWClass_SolarisVideoController::GetInventoryFromDevice(HWInstanceListT& instances,
                                                                   const StringC& className,
                                                                   const PropertyMap& /*parameters*/,
                                                                   RefM<SolarisDevice> device) {
  RefM<HWInstance> instance = MakeInstance(className, device->GetNodeName());
  const hx::ResultT r = PopulateInstance(instance);
  AddPromProperties(*instance, device->GetNode());
  instances.push_back(instance);
  return r;
}

void HWClass_SolarisVideoController::AddPromProperties(HWInstance& instance, const hx::DevNodeT& node) {
  const hx::DevPropT* model = node.FindProm(c_PromModel);
  if (model != nullptr && model->type == hx::DevPropT::String) instance.AddProperty(c_Caption, hx::Latin1ToUtf8(model->text));
  for (const PromNumberT& n : c_PromNumbers) {
    const hx::DevPropT* p = node.FindProm(n.prom);
    if (p != nullptr && !p->ints.empty())
      instance.AddProperty(n.property, hx::Format(c_NumberFormat, static_cast<int32_t>(p->ints[0])));
  }
}
