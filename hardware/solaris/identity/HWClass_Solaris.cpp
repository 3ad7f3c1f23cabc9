#include "hardware/solaris/identity/HWClass_Solaris.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/core/Format.h"
#include "hardware/solaris/topology/ZoneInfo.h"
#include "hardware/unix/SMBiosInfo.h"
#include "hardware/unix/SystemTool.h"

namespace {

constexpr const char* c_BannerName = "banner-name";
// The PROM answers into a buffer of this many bytes; a property that fills it was cut short.
constexpr size_t c_PromValueLimit = 32760;
// sysinfo answers into a buffer of this size, its terminating zero included.
constexpr unsigned c_SysInfoBuffer = 128;
constexpr const char* c_SunPrefix = "SUNW,";
constexpr const char* c_ChassisSerialKey = "chassisserialnumber";
constexpr const char* c_EepromSeparators = " =\"";
constexpr const char* c_HostIdFormat = "%08x";
constexpr const char* c_NoSerial = "0";
constexpr int c_Decimal = 10;
// The SMBIOS system record's values.
constexpr const char* c_DmiProductName = "Product Name";
constexpr const char* c_DmiManufacturer = "Manufacturer";

StringArrayC SplitAtAny(const StringC& line, const char* separators) {
  StringArrayC fields;
  size_t start = 0;
  while (start <= line.size()) {
    const size_t end = line.find_first_of(separators, start);
    const size_t stop = end == StringC::npos ? line.size() : end;
    if (stop > start) fields.push_back(line.substr(start, stop - start));
    if (end == StringC::npos) break;
    start = end + 1;
  }
  return fields;
}

}  // namespace

StringC HWClass_Solaris::GetBannerName() {
  std::string value;
  if (!hx::PromRootProperty(c_BannerName, value) || value.size() >= c_PromValueLimit) return StringC();
  return ToStringCN(value.data(), static_cast<unsigned>(value.size()), Latin1);
}

StringC HWClass_Solaris::GetHardwareModel() {
  static const StringC s_model =
      ModelFrom(SMBiosInfoC::Instance().getDMIValue(SMBiosInfoC::c_TypeSystem, c_DmiProductName), GetBannerName(),
                SysInfoString(hx::SysInfoE::Platform));
  return s_model;
}

StringC HWClass_Solaris::GetHardwareManufacturer() {
  static const StringC s_manufacturer =
      ManufacturerFrom(SMBiosInfoC::Instance().getDMIValue(SMBiosInfoC::c_TypeSystem, c_DmiManufacturer),
                       SysInfoString(hx::SysInfoE::HwProvider), GetHardwareModel());
  return s_manufacturer;
}

StringC HWClass_Solaris::GetChassisSerialNumber() {
  if (!hx::SystemToolExists(c_EepromTool)) return StringC();
  StringArrayC lines;
  if (RunCommand(CommandLineC{c_EepromTool, c_NvramrcVariable}, lines) != hx::RC_OK) return StringC();
  return ChassisSerialFromEeprom(lines);
}

StringC HWClass_Solaris::SysInfoString(hx::SysInfoE command) {
  std::string text;
  if (!hx::SysInfoText(command, text)) return StringC();
  return ToStringCN(text.data(), static_cast<unsigned>(std::min<size_t>(text.size(), c_SysInfoBuffer - 1)), Latin1);
}

StringC HWClass_Solaris::ModelFrom(const StringC& smbiosProduct, const StringC& banner, const StringC& platform) {
  if (!smbiosProduct.empty()) return smbiosProduct;
  if (!banner.empty()) return banner;
  StringC model = PlatformType(platform);
  for (char& c : model) {
    if (c == '-') c = ' ';
  }
  return model;
}

StringC HWClass_Solaris::ManufacturerFrom(const StringC& smbiosManufacturer, const StringC& provider,
                                          const StringC& model) {
  if (!smbiosManufacturer.empty()) return smbiosManufacturer;
  return !provider.empty() ? provider : model;
}

StringC HWClass_Solaris::PlatformType(const StringC& platform) {
  return hx::StartsWith(platform, c_SunPrefix) ? platform.substr(std::string_view(c_SunPrefix).size()) : platform;
}

StringC HWClass_Solaris::ChassisSerialFromEeprom(const StringArrayC& lines) {
  StringC serial;
  for (const StringC& line : lines) {
    const StringArrayC fields = SplitAtAny(line, c_EepromSeparators);
    for (size_t i = 0; i + 1 < fields.size(); ++i) {
      if (hx::EqualsNoCase(fields[i], c_ChassisSerialKey)) serial = fields[i + 1];
    }
  }
  return serial;
}

StringC HWClass_SolarisHardwareSerial::getHWSerial() {
  StringC serial;
  const bool ok = hx::SysInfoText(hx::SysInfoE::HwSerial, serial);
  return HWSerialFrom(ok, HWClass_Unix::ToStringCN(serial.data(), static_cast<unsigned>(serial.size()), HWClass_Unix::Latin1));
}

StringC HWClass_SolarisHardwareSerial::GenerateBIOSSerialNumber() {
  const ZoneInfoC& zone = ZoneInfoC::Instance();
  return GenerateBIOSSerialFrom(getHWSerial(), zone.zoneName(), zone.zoneId());
}

StringC HWClass_SolarisHardwareSerial::HWSerialFrom(bool ok, const StringC& serial) {
  if (!ok) return c_NoSerial;
  const unsigned long long id = std::strtoull(serial.c_str(), nullptr, c_Decimal);
  return hx::Format(c_HostIdFormat, static_cast<uint32_t>(id));
}

StringC HWClass_SolarisHardwareSerial::GenerateBIOSSerialFrom(const StringC& hwSerial, const StringC& zoneName,
                                                              const StringC& zoneId) {
  if (zoneName.empty()) return hwSerial;
  if (!zoneId.empty()) return zoneId;
  return hwSerial + "-" + zoneName;
}
