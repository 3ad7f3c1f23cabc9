#pragma once
// HWClass_SolarisVideoController: one instance per display node of the device tree, named by
// the node, with the model and the current mode its PROM properties give.

#include "foundation/core/Nodiscard.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"
#include "hardware/solaris/devices/SolarisDevInfo.h"

class HWClass_SolarisVideoController : public HWClass_Unix, public HWClass_SolarisDevice {
 public:
  static constexpr const char* c_CurrentRefreshRate = "CurrentRefreshRate";
  static constexpr const char* c_CurrentHorizontalResolution = "CurrentHorizontalResolution";
  static constexpr const char* c_CurrentVerticalResolution = "CurrentVerticalResolution";

  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // Nodes of type ddi_display.
  bool FilterDevice(RefM<SolarisDevice> device) override;
  HX_NODISCARD hx::ResultT GetInventoryFromDevice(HWInstanceListT& instances, const StringC& className,
                                     const PropertyMap& parameters, RefM<SolarisDevice> device) override;

  // "Caption" from the PROM's model, the refresh rate and resolution from the first number of
  // v_freq, width and height; a property the PROM lacks adds nothing.
  static void AddPromProperties(HWInstance& instance, const hx::DevNodeT& node);

 protected:
  ~HWClass_SolarisVideoController() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisVideoController, "ZOR.hX.Tracker.SolarisVideoController.1")
