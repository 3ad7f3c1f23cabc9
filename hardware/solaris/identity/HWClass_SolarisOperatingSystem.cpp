#include "hardware/solaris/identity/HWClass_SolarisOperatingSystem.h"

#include <cstdint>

#include "foundation/files/FileService.h"
#include "foundation/time/IsoDateTime.h"
#include "hardware/unix/SystemTool.h"
#include "platform/SysInfo.h"

namespace {

constexpr int64_t c_KiloByte = 1024;

}  // namespace

hx::ResultT HWClass_SolarisOperatingSystem::PopulateInstance(RefM<HWInstance> instance) {
  const hx::ResultT r = HWClass_UnixOperatingSystem::PopulateInstance(instance);
  if (hx::Failed(r)) return r;
  StringArrayC lines;
  if (hx::SystemToolExists(c_IsainfoTool) &&
      RunCommand(CommandLineC{c_IsainfoTool, c_IsainfoKernelArgument}, lines) == hx::RC_OK && !lines.empty()) {
    const StringArrayC words = hx::SplitBlanks(lines.front());
    if (!words.empty()) instance->AddProperty(c_OSArchitecture, words.front());
  }
  const FileNameC scheduler(FileService()->systemPath(c_SchedulerProcess));
  instance->AddProperty(c_LastBootUpTime, BootTimeText(FileService()->lastModified(scheduler)));
  const int64_t pageSize = hx::SysConfValue(hx::SysConfE::PageSize);
  instance->AddProperty(c_TotalVisibleMemorySize, KilobytesText(pageSize, hx::SysConfValue(hx::SysConfE::PhysPages)));
  instance->AddProperty(c_FreePhysicalMemory, KilobytesText(pageSize, hx::SysConfValue(hx::SysConfE::AvPhysPages)));
  return r;
}

StringC HWClass_SolarisOperatingSystem::BootTimeText(time_t bootTime) {
  if (bootTime <= 0) return StringC();
  IsoDateTimeC value;
  value.Set(bootTime);
  StringC text;
  return hx::Succeeded(value.toString(&text)) ? text : StringC();
}

StringC HWClass_SolarisOperatingSystem::KilobytesText(int64_t pageSize, int64_t pages) {
  if (pageSize <= 0 || pages < 0) return StringC();
  const int64_t kilobytesPerPage = pageSize / c_KiloByte;
  if (kilobytesPerPage > 0 && pages > INT64_MAX / kilobytesPerPage) return StringC();
  return std::to_string(kilobytesPerPage * pages);
}
