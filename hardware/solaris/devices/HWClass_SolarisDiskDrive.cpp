#include "hardware/solaris/devices/HWClass_SolarisDiskDrive.h"

#include <cstdint>

#include "foundation/core/Format.h"
#include "hardware/solaris/topology/KStatUtil.h"

namespace {

constexpr const char* c_BlockType = "ddi_block";
constexpr const char* c_CdromType = "ddi_block:cdrom";
constexpr const char* c_DisketteType = "ddi_block:diskette";
constexpr const char* c_ErrorClass = "device_error";
constexpr const char* c_NameFormat = "%s%d";
constexpr const char* c_NumberFormat = "%d";
constexpr const char* c_ScsiClass = "scsi";
constexpr const char* c_ScsiInterface = "SCSI";
// The kernel's statistic names and classes are fixed buffers of 31 characters.
constexpr size_t c_KStatNameMax = 31;
constexpr int64_t c_DefaultBlockSize = 512;

// Device properties and statistic values of a disk.
constexpr const char* c_InquiryDeviceType = "inquiry-device-type";
constexpr const char* c_InquiryVendor = "inquiry-vendor-id";
constexpr const char* c_InquiryProduct = "inquiry-product-id";
constexpr const char* c_InquiryRevision = "inquiry-revision-id";
constexpr const char* c_DevId = "devid";
constexpr const char* c_Class = "class";
constexpr const char* c_Lun = "lun";
constexpr const char* c_Target = "target";
constexpr const char* c_BlockSize = "device-blksize";
constexpr const char* c_BlockCount = "device-nblocks";
constexpr const char* c_StatVendor = "Vendor";
constexpr const char* c_StatProduct = "Product";
constexpr const char* c_StatRevision = "Revision";
constexpr const char* c_StatSerial = "Serial No";
constexpr const char* c_StatSize = "Size";
constexpr const char* c_StatModel = "Model";

StringC Either(const PropertyMap& values, const char* first, const char* second) {
  const StringC v = values.get(first);
  return v.empty() ? values.get(second) : v;
}

int64_t Number(const PropertyMap& values, const char* name) {
  int64_t n = 0;
  return hx::ParseInt64(values.get(name), n) ? n : 0;
}

int64_t DiskSize(const PropertyMap& values) {
  const int64_t size = Number(values, c_StatSize);
  if (size > 0) return size;
  int64_t blockSize = Number(values, c_BlockSize);
  if (blockSize <= 0) blockSize = c_DefaultBlockSize;
  const int64_t blocks = Number(values, c_BlockCount);
  if (blocks > 0 && blocks <= INT64_MAX / blockSize) return blockSize * blocks;
  return hx::DeviceEndOffset(values.get(c_DevId));
}

}  // namespace

hx::ResultT HWClass_SolarisDiskDrive::GetInventory(HWInstanceListT& instances, StringC className,
                                                   const PropertyMap& parameters) {
  chainRead_ = false;
  chain_.clear();
  return GetInventoryFromDevices(instances, className, parameters);
}

bool HWClass_SolarisDiskDrive::FilterDevice(RefM<SolarisDevice> device) {
  const StringC& type = device->GetNodeType();
  return hx::StartsWith(type, c_BlockType) && !hx::StartsWith(type, c_CdromType) &&
         !hx::StartsWith(type, c_DisketteType);
}

hx::ResultT HWClass_SolarisDiskDrive::GetInventoryFromDevice(HWInstanceListT& instances, const StringC& className,
                                                             const PropertyMap& /*parameters*/,
                                                             RefM<SolarisDevice> device) {
  const StringC name = DiskName(device->GetNode());
  RefM<HWInstance> instance = MakeInstance(className, name);
  const hx::ResultT r = PopulateInstance(instance);
  if (!chainRead_) {
    chainResult_ = hx::KStatReadChain(chain_);
    chainRead_ = true;
  }
  if (hx::Failed(chainResult_)) return chainResult_;
  AddDiskProperties(*instance, DiskValues(device->GetNode(), name, chain_));
  instances.push_back(instance);
  return r;
}

StringC HWClass_SolarisDiskDrive::DiskName(const hx::DevNodeT& node) {
  if (!node.kernelName.empty()) return node.kernelName;
  return hx::Format(c_NameFormat, node.driver, node.instance);
}

PropertyMap HWClass_SolarisDiskDrive::DiskValues(const hx::DevNodeT& node, const StringC& diskName,
                                                 const hx::KStatChainT& chain) {
  PropertyMap values;
  for (const hx::DevPropT& p : node.props) {
    if (p.type == hx::DevPropT::String) values.put(p.name, hx::Latin1ToUtf8(p.text));
    else if (p.type != hx::DevPropT::Boolean && !p.ints.empty())
      values.put(p.name, p.type == hx::DevPropT::Int ? hx::Format(c_NumberFormat, static_cast<int32_t>(p.ints[0]))
                                                     : std::to_string(p.ints[0]));
  }
  const StringC prefix = diskName + ",";
  for (const hx::KStatT& stat : chain) {
    if (stat.ksClass.substr(0, c_KStatNameMax) != c_ErrorClass) continue;
    if (!hx::StartsWith(stat.name.substr(0, c_KStatNameMax), prefix)) continue;
    for (const auto& [name, value] : stat.values)
      values.put(name.substr(0, c_KStatNameMax), KStatUtilC::knamedAsString(value));
  }
  return values;
}

void HWClass_SolarisDiskDrive::AddDiskProperties(HWInstance& instance, const PropertyMap& values) {
  StringC model = Either(values, c_InquiryProduct, c_StatProduct);
  if (model.empty()) model = values.get(c_StatModel);
  instance.AddProperty(c_DeviceType, values.get(c_InquiryDeviceType));
  instance.AddProperty(c_Manufacturer, Either(values, c_InquiryVendor, c_StatVendor));
  instance.AddProperty(c_Model, model);
  instance.AddProperty(c_FirmwareRevision, Either(values, c_InquiryRevision, c_StatRevision));
  instance.AddProperty(c_SerialNumber, values.get(c_StatSerial));
  instance.AddProperty(c_Size, std::to_string(DiskSize(values)));
  instance.AddProperty(c_DeviceID, values.get(c_DevId));
  if (!hx::EqualsNoCase(values.get(c_Class), c_ScsiClass)) return;
  instance.AddProperty(c_InterfaceType, c_ScsiInterface);
  instance.AddProperty(c_SCSILogicalUnit, values.get(c_Lun));
  instance.AddProperty(c_SCSITargetId, values.get(c_Target));
}
