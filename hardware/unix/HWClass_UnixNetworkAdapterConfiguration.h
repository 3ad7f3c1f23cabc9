#pragma once
// HWClass_UnixNetworkAdapterConfiguration: the configured network adapters as `ifconfig -a`
// prints them, one instance per adapter block (an interface with IPv4 and IPv6 configurations,
// or with logical interfaces, gives several instances of the same name), with the default
// gateway of the routing table for the adapters that have an address. Loopback adapters are
// left out.

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Text.h"
#include "hardware/framework/HWClass_Unix.h"
#include "hardware/framework/ProviderTable.h"

class HWClass_UnixNetworkAdapterConfiguration : public HWClass_Unix {
 public:
  static constexpr const char* c_IPAddress = "IPAddress";
  static constexpr const char* c_IPv6Address = "IPv6Address";
  static constexpr const char* c_IPSubnet = "IPSubnet";
  static constexpr const char* c_MACAddress = "MACAddress";
  static constexpr const char* c_IPEnabled = "IPEnabled";
  static constexpr const char* c_DefaultIPGateway = "DefaultIPGateway";
  static constexpr const char* c_True = "TRUE";
  static constexpr const char* c_False = "FALSE";

  // The tools, found on the PATH after /sbin and /usr/sbin have been put in front of it (the
  // hardware step puts the PATH back when it ends).
  static constexpr const char* c_Ifconfig = "ifconfig";
  static constexpr const char* c_IfconfigAll = "-a";
  static constexpr const char* c_Netstat = "netstat";
  static constexpr const char* c_NetstatRoutes = "-nr";
  static constexpr const char* c_SbinDir = "/sbin";
  static constexpr const char* c_UsrSbinDir = "/usr/sbin";

  // Runs ifconfig -a and calls AddAdapter for every adapter block in output order. A result
  // other than 0 from ifconfig (1 for a non-zero exit status) is returned at once with nothing
  // added; one from AddAdapter ends the walk and is returned. ifconfig printing nothing is 0.
  HX_NODISCARD hx::ResultT GetInventory(HWInstanceListT& instances, StringC className, const PropertyMap& parameters) override;
  // "Name" and "Caption": the adapter name.
  HX_NODISCARD hx::ResultT PopulateInstance(RefM<HWInstance> instance) override;
  // Adds the instance of one adapter block (see hx::ReadAdapterSettings): nothing and 0 for a
  // loopback adapter. An adapter with an address also gets "DefaultIPGateway" from the routing
  // table, which is read once per GetInventory; when netstat fails (or exits with a status
  // other than 0) that result is returned and the adapter is not added. Otherwise the result
  // of PopulateInstance, the instance being added in any case.
  HX_NODISCARD virtual hx::ResultT AddAdapter(HWInstanceListT& instances, const StringC& className, const StringC& adapterName,
                                 const StringArrayC& lines);

 protected:
  ~HWClass_UnixNetworkAdapterConfiguration() override = default;

 private:
  // The lines of netstat -nr, run at the first call of a GetInventory; 0 or the run's result.
  HX_NODISCARD hx::ResultT ReadRoutes();

  bool routesRead_ = false;
  StringArrayC routes_;
};

HX_HW_PROVIDER_FACTORY(UnixNetworkAdapterConfiguration, "ZOR.hX.Tracker.UnixNetworkAdapterConfiguration.1")
