#pragma once
// HWClass_SolarisNetworkAdapterConfiguration: the network adapter configuration under its
// Solaris provider name. Solaris prints ifconfig and netstat exactly as the generic provider
// reads them, so it adds nothing of its own; it exists so that a configuration naming the
// Solaris provider gets the same adapters.

#include "hardware/framework/ProviderTable.h"
#include "hardware/unix/HWClass_UnixNetworkAdapterConfiguration.h"

class HWClass_SolarisNetworkAdapterConfiguration : public HWClass_UnixNetworkAdapterConfiguration {
 protected:
  ~HWClass_SolarisNetworkAdapterConfiguration() override = default;
};

HX_HW_PROVIDER_FACTORY(SolarisNetworkAdapterConfiguration, "ZOR.hX.Tracker.SolarisNetworkAdapterConfiguration.1")
