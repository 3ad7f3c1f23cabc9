#include "hardware/unix/HWClass_UnixNetworkAdapterConfiguration.h"

#include "foundation/trace/Tracer.h"
#include "hardware/unix/IfconfigParser.h"
#include "hardware/unix/NetstatParser.h"
#include "prefs/defaults/SearchPath.h"

namespace {

constexpr const char* c_TraceCategory = "Tracker/Hardware/Network";

// Values the adapter's output did not print stay out of the instance altogether.
void PutIfSet(HWInstance& instance, const char* name, const StringC& value) {
  if (!value.empty()) instance.AddProperty(name, value);
}

}  // namespace

hx::ResultT HWClass_UnixNetworkAdapterConfiguration::GetInventory(HWInstanceListT& instances, StringC className,
                                                                  const PropertyMap& /*parameters*/) {
  routesRead_ = false;
  routes_.clear();
  // A PATH that cannot be changed still finds the tools where the caller's PATH has them.
  HX_IGNORE_RESULT(EnvUnixPathC::AddPath(c_SbinDir));
  HX_IGNORE_RESULT(EnvUnixPathC::AddPath(c_UsrSbinDir));

  StringArrayC lines;
  hx::ResultT rc = RunCommand(CommandLineC{c_Ifconfig, c_IfconfigAll}, lines);
  hx::Trace(c_TraceCategory, "ifconfig -a: result %#lx, %lu lines\n", static_cast<uint32_t>(rc), lines.size());
  if (rc != hx::RC_OK) return rc;
  for (const hx::IfconfigBlockC& block : hx::SplitIfconfigBlocks(lines)) {
    rc = AddAdapter(instances, className, block.name, block.lines);
    if (rc != hx::RC_OK) {
      hx::Trace(c_TraceCategory, "adapter %s: result %#lx\n", block.name, static_cast<uint32_t>(rc));
      return rc;
    }
  }
  return hx::RC_OK;
}

hx::ResultT HWClass_UnixNetworkAdapterConfiguration::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT rc = HWClass_Unix::PopulateInstance(instance);
  if (hx::Succeeded(rc)) instance->AddProperty(c_Caption, instance->GetName());
  return rc;
}

hx::ResultT HWClass_UnixNetworkAdapterConfiguration::AddAdapter(HWInstanceListT& instances, const StringC& className,
                                                                const StringC& adapterName,
                                                                const StringArrayC& lines) {
  const hx::AdapterSettingsC settings = hx::ReadAdapterSettings(lines);
  if (settings.loopback) return hx::RC_OK;

  RefM<HWInstance> instance = MakeInstance(className, adapterName);
  PutIfSet(*instance, c_IPAddress, settings.ipAddress);
  PutIfSet(*instance, c_IPv6Address, settings.ipv6Address);
  PutIfSet(*instance, c_IPSubnet, settings.ipSubnet);
  PutIfSet(*instance, c_MACAddress, settings.macAddress);
  const hx::ResultT populated = PopulateInstance(instance);
  instance->AddProperty(c_IPEnabled, settings.ipEnabled ? c_True : c_False);

  if (settings.ipEnabled) {
    const hx::ResultT rc = ReadRoutes();
    if (rc != hx::RC_OK) return rc;
    PutIfSet(*instance, c_DefaultIPGateway, hx::FindDefaultGateway(routes_));
  }
  instances.push_back(instance);
  return populated;
}

hx::ResultT HWClass_UnixNetworkAdapterConfiguration::ReadRoutes() {
  if (routesRead_) return hx::RC_OK;
  routes_.clear();
  const hx::ResultT rc = RunCommand(CommandLineC{c_Netstat, c_NetstatRoutes}, routes_);
  hx::Trace(c_TraceCategory, "netstat -nr: result %#lx, %lu lines\n", static_cast<uint32_t>(rc), routes_.size());
  routesRead_ = rc == hx::RC_OK;
  return rc;
}
