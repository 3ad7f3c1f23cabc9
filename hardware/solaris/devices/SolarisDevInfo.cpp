#include "hardware/solaris/devices/SolarisDevInfo.h"

#include "foundation/com/ComRegistry.h"

const ZORGUID IID_HWClass_SolarisDevInfo = {0x55DDB742, 0x69F7, 0x11DE,
                                            {0x96, 0x23, 0x00, 0x30, 0x6E, 0x0A, 0xD8, 0xBD}};

hx::ResultT HWClass_SolarisDevInfo::GetDevices(const SolarisDeviceListT*& devices) {
  devices = &devices_;
  if (taken_) return hx::RC_OK;
  hx::DevTreeT tree;
  const hx::ResultT r = hx::DevInfoReadTree(tree);
  if (hx::Failed(r)) return r;
  for (hx::DevNodeT& node : tree) devices_.emplace_back(new SolarisDevice(std::move(node)));
  taken_ = true;
  return hx::RC_OK;
}

TrkTrackSolarisDevInfoFactoryC::~TrkTrackSolarisDevInfoFactoryC() {
  if (kept_ != nullptr) kept_->Release();
}

ZORUnknownI* TrkTrackSolarisDevInfoFactoryC::CreateObject() {
  if (kept_ == nullptr) {
    kept_ = new HWClass_SolarisDevInfo;
    kept_->AddRef();
  }
  return kept_;
}

hx::ResultT HWClass_SolarisDevice::GetInventoryFromDevices(HWInstanceListT& instances, const StringC& className,
                                                           const PropertyMap& parameters) {
  HWClass_SolarisDevInfoI* devInfo = nullptr;
  hx::ResultT r = ComRegistryC::Instance()->GetInstance(CLSID_SolarisDevInfo, IID_HWClass_SolarisDevInfo,
                                                        reinterpret_cast<ZORUnknownI**>(&devInfo));
  if (hx::Failed(r) || devInfo == nullptr) return hx::Failed(r) ? r : hx::RC_NO_INTERFACE;
  const SolarisDeviceListT* devices = nullptr;
  r = devInfo->GetDevices(devices);
  if (hx::Succeeded(r)) {
    r = hx::RC_OK;
    for (const RefM<SolarisDevice>& device : *devices) {
      if (FilterDevice(device)) r = GetInventoryFromDevice(instances, className, parameters, device);
    }
  }
  devInfo->Release();
  return r;
}
