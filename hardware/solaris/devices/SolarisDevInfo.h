#pragma once
// The device tree of the machine, shared by the providers that report devices from it (disk
// drives, video controllers).
//
// HWClass_SolarisDevInfo is a component of its own ("SolarisDevInfo"): its factory keeps one
// object for the whole run, the object takes the device tree snapshot at its first GetDevices,
// and every provider that asks the component registry for it by class identifier gets that
// same object, so the tree is read once per hardware step however many device classes run.
// HWClass_SolarisDevice is the walk over the devices that those providers share: each says
// which devices it takes (FilterDevice) and what it makes of one (GetInventoryFromDevice).

#include <vector>

#include "foundation/com/ComFactory.h"
#include "foundation/com/ComObject.h"
#include "foundation/core/Nodiscard.h"
#include "foundation/core/RefCount.h"
#include "hardware/framework/HWInstance.h"
#include "hardware/framework/HardwareGuids.h"
#include "platform/DevInfo.h"

// One device node.
class SolarisDevice : public RefCountC {
 public:
  explicit SolarisDevice(hx::DevNodeT node) : node_(std::move(node)) {}

  const StringC& GetPath() const { return node_.path; }
  const StringC& GetNodeName() const { return node_.node; }
  // "" when no driver is bound.
  const StringC& GetDriverName() const { return node_.driver; }
  int64_t GetInstance() const { return node_.instance; }
  // The node type of its first minor node; "" when it has none.
  const StringC& GetNodeType() const { return node_.nodetype; }
  // Its device and PROM properties, and the host's own name for it where there is one.
  const hx::DevNodeT& GetNode() const { return node_; }

 protected:
  ~SolarisDevice() override = default;

 private:
  hx::DevNodeT node_;
};

using SolarisDeviceListT = std::vector<RefM<SolarisDevice>>;

extern const ZORGUID IID_HWClass_SolarisDevInfo;

class HWClass_SolarisDevInfoI : public ZORUnknownI {
 public:
  // The devices in the order of a children-first walk of the tree. The first call takes the
  // snapshot; a failure (an error-number result, the list left empty) is tried again by the
  // next call. The list stays owned by the component.
  HX_NODISCARD virtual hx::ResultT GetDevices(const SolarisDeviceListT*& devices) = 0;

 protected:
  ~HWClass_SolarisDevInfoI() = default;
};

class HWClass_SolarisDevInfo : public ComObjectM<HWClass_SolarisDevInfoI, IID_HWClass_SolarisDevInfo> {
 public:
  HX_NODISCARD hx::ResultT GetDevices(const SolarisDeviceListT*& devices) override;

 protected:
  ~HWClass_SolarisDevInfo() override = default;

 private:
  bool taken_ = false;
  SolarisDeviceListT devices_;
};

// The factory keeps the one object it gives to everybody, and lets it go with itself.
class TrkTrackSolarisDevInfoFactoryC : public ComFactoryC {
 public:
  TrkTrackSolarisDevInfoFactoryC() : ComFactoryC("SolarisDevInfo", "ZOR.Halvex.Tracker.SolarisDevInfo.1") {}
  ~TrkTrackSolarisDevInfoFactoryC() override;
  ZORUnknownI* CreateObject() override;
  static ComFactoryC* Clone() { return new TrkTrackSolarisDevInfoFactoryC; }

 private:
  HWClass_SolarisDevInfo* kept_ = nullptr;
};

// The second base of the providers that report devices of the tree.
class HWClass_SolarisDevice {
 public:
  // Whether the provider makes an instance of this device.
  virtual bool FilterDevice(RefM<SolarisDevice> device) = 0;
  // Adds the device's instance; a result code.
  HX_NODISCARD virtual hx::ResultT GetInventoryFromDevice(HWInstanceListT& instances, const StringC& className,
                                             const PropertyMap& parameters, RefM<SolarisDevice> device) = 0;

  // Gets the shared device tree component from the component registry, and for every device
  // it accepts calls GetInventoryFromDevice. The result of the last of those, 0 when there was
  // none, or the failure to get the component or its devices.
  HX_NODISCARD hx::ResultT GetInventoryFromDevices(HWInstanceListT& instances, const StringC& className,
                                      const PropertyMap& parameters);

 protected:
  virtual ~HWClass_SolarisDevice() = default;
};
