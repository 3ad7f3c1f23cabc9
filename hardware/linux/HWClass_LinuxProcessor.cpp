#include "hardware/linux/HWClass_LinuxProcessor.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "hardware/linux/DeviceTexts.h"

namespace {

constexpr const char* c_CpuDir = "/sys/devices/system/cpu";
constexpr const char* c_Manufacturer = "Manufacturer";
constexpr int64_t c_KHzPerMHz = 1000;

// The makers of ARM processors by the implementer code of their identification register.
struct ImplementerT {
  int64_t code;
  const char* name;
};
constexpr ImplementerT c_Implementers[] = {
    {0x41, "ARM"},    {0x42, "Broadcom"}, {0x43, "Cavium"},   {0x46, "Fujitsu"}, {0x48, "HiSilicon"},
    {0x4e, "NVIDIA"}, {0x50, "APM"},      {0x51, "Qualcomm"}, {0x53, "Samsung"}, {0x56, "Marvell"},
    {0x61, "Apple"},  {0x69, "Intel"},    {0xc0, "Ampere"}};

struct PackageT {
  std::vector<int64_t> threads;
  std::set<std::string> cores;
};

std::string Field(const hxlinux::CpuFieldsT& fields, const char* name) {
  const auto it = fields.find(name);
  return it == fields.end() ? std::string() : hx::ToValidUtf8(it->second);
}

std::string Implementer(const std::string& code) {
  int64_t n = -1;
  if (!hx::ParseInt64(code, n, 16)) return std::string();
  for (const ImplementerT& i : c_Implementers)
    if (i.code == n) return i.name;
  return std::string();
}

std::string Description(const hxlinux::CpuFieldsT& f) {
  if (!Field(f, "cpu family").empty())
    return hx::Trim(Field(f, "vendor_id") + " Family " + Field(f, "cpu family") + " Model " + Field(f, "model") +
                    " Stepping " + Field(f, "stepping"));
  if (Field(f, "CPU implementer").empty()) return std::string();
  return "Implementer " + Field(f, "CPU implementer") + " Part " + Field(f, "CPU part") + " Variant " +
         Field(f, "CPU variant") + " Revision " + Field(f, "CPU revision");
}

// A frequency in kHz of cpufreq as MHz, else cpuinfo's "cpu MHz" rounded; "" when neither says.
std::string MHz(const std::string& kHz, const hxlinux::CpuFieldsT& fields) {
  int64_t k = 0;
  if (hx::ParseInt64(kHz, k) && k > 0) return std::to_string((k + c_KHzPerMHz / 2) / c_KHzPerMHz);
  const std::string text = Field(fields, "cpu MHz");
  char* end = nullptr;
  const double mhz = std::strtod(text.c_str(), &end);
  if (text.empty() || end == text.c_str() || !std::isfinite(mhz) || mhz <= 0 || mhz > 1e9) return std::string();
  return std::to_string(std::llround(mhz));
}

// The processors to count: the online ones; older kernels and captured trees without that list
// give the present ones, or those of /proc/cpuinfo.
std::vector<int64_t> Processors(const hxlinux::MachineTreeC& tree, const std::map<int64_t, hxlinux::CpuFieldsT>& info) {
  std::vector<int64_t> cpus = hxlinux::ParseCpuList(tree.Value(std::string(c_CpuDir) + "/online"));
  if (cpus.empty()) cpus = hxlinux::ParseCpuList(tree.Value(std::string(c_CpuDir) + "/present"));
  if (cpus.empty())
    for (const auto& entry : info) cpus.push_back(entry.first);
  return cpus;
}

}  // namespace

hx::ResultT HWClass_LinuxProcessor::GetInventory(HWInstanceListT& instances, StringC className,
                                                 const PropertyMap& /*parameters*/) {
  const hxlinux::MachineTreeC& tree = Tree();
  std::string text = tree.Text("/proc/cpuinfo");
  const std::map<int64_t, hxlinux::CpuFieldsT> info = hxlinux::ParseCpuInfo(text);
  std::map<int64_t, PackageT> packages;
  for (const int64_t cpu : Processors(tree, info)) {
    const std::string topology = std::string(c_CpuDir) + "/cpu" + std::to_string(cpu) + "/topology/";
    int64_t package = 0;
    // Machines without a package number (-1 on some ARM boards) are one package.
    if (!hx::ParseInt64(tree.Value(topology + "physical_package_id"), package) || package < 0) package = 0;
    std::string core = tree.Value(topology + "core_cpus_list");
    if (core.empty()) core = tree.Value(topology + "thread_siblings_list");
    if (core.empty()) core = "id " + tree.Value(topology + "core_id");
    if (core == "id ") core = "cpu " + std::to_string(cpu);
    packages[package].threads.push_back(cpu);
    packages[package].cores.insert(core);
  }
  hx::ResultT r = hx::RC_OK;
  for (const auto& [id, package] : packages) {
    const std::string cpuDir = std::string(c_CpuDir) + "/cpu" + std::to_string(package.threads.front()) + "/";
    const auto found = info.find(package.threads.front());
    const hxlinux::CpuFieldsT fields = found != info.end() ? found->second
                                       : info.empty()      ? hxlinux::CpuFieldsT()
                                                           : info.begin()->second;
    const std::string deviceId = "CPU" + std::to_string(id);
    const std::string model = Field(fields, "model name");
    // Named by the package, which is unique (the model is the same on every package of a
    // machine); the model is the instance's Name.
    RefM<HWInstance> instance = MakeInstance(className, deviceId);
    const hx::ResultT populated = PopulateInstance(instance);
    if (hx::Failed(populated)) r = populated;
    if (!model.empty()) instance->AddProperty(c_Name, model);
    const std::string vendor = Field(fields, "vendor_id");
    instance->AddProperty(c_DeviceID, deviceId);
    instance->AddProperty(c_Manufacturer, vendor.empty() ? Implementer(Field(fields, "CPU implementer")) : vendor);
    instance->AddProperty(c_Description, Description(fields));
    instance->AddProperty(c_MaxClockSpeed, MHz(tree.Value(cpuDir + "cpufreq/cpuinfo_max_freq"), fields));
    instance->AddProperty(c_CurrentClockSpeed, MHz(tree.Value(cpuDir + "cpufreq/scaling_cur_freq"), fields));
    instance->AddProperty(c_NumberOfCores, std::to_string(package.cores.size()));
    instance->AddProperty(c_NumberOfLogicalProcessors, std::to_string(package.threads.size()));
    instances.push_back(instance);
  }
  return r;
}
