#include "hardware/linux/HWClass_LinuxDiskDrive.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "hardware/linux/DeviceTexts.h"
#include "hardware/linux/HardwareIds.h"
#include "hardware/linux/SysfsDevice.h"

namespace {

constexpr const char* c_BlockDir = "/sys/block/";
constexpr const char* c_Manufacturer = "Manufacturer";
constexpr const char* c_Model = "Model";
constexpr int64_t c_SectorBytes = 512;
constexpr int64_t c_RamDiskMajor = 1;
constexpr int64_t c_ScsiCdromMajor = 11;  // sr: optical drives, which lsblk calls rom
constexpr size_t c_IdDigits = 4;
// Block devices that are no disk of their own: file-backed and compressed-memory devices, and
// the volumes device-mapper and md build on top of disks.
constexpr std::string_view c_NotDisks[] = {"loop", "dm-", "md", "zram"};
// The SCSI peripheral types that are no disk (tape, printer, processor, write-once, CD/DVD,
// scanner, magneto-optical, changer, communication, RAID and enclosure controllers, reduced
// block commands, object storage, zoned block, no unit); other types count as disks.
constexpr int64_t c_ScsiNotDisk[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                     0x09, 0x0c, 0x0d, 0x0e, 0x11, 0x14, 0x7f};
// The stand-in vendor the kernel's ATA layer gives every ATA and SATA disk.
constexpr std::string_view c_AtaVendor = "ATA";

struct DiskT {
  std::string name, dir, device;
  int64_t sectors = -1;  // unknown
  std::string model, vendor, serial, firmware, interface, media;
  std::string pciFunction;  // NVMe and virtio disks are a PCI function of their own
  std::string usbVendorId, usbProductId;
};

bool IsWholeDisk(const hxlinux::MachineTreeC& tree, const std::string& name, const std::string& dir) {
  if (std::any_of(std::begin(c_NotDisks), std::end(c_NotDisks),
                  [&](std::string_view prefix) { return hx::StartsWith(name, prefix); }))
    return false;
  const std::string number = tree.Value(dir + "/dev");
  int64_t major = -1, type = 0;
  if (hx::ParseInt64(number.substr(0, number.find(':')), major) && (major == c_RamDiskMajor || major == c_ScsiCdromMajor))
    return false;
  // A device built on others (bcache, a multipath member's holder) is listed with them.
  if (!tree.List(dir + "/slaves").empty()) return false;
  return !hx::ParseInt64(tree.Value(dir + "/device/type"), type) ||
         std::find(std::begin(c_ScsiNotDisk), std::end(c_ScsiNotDisk), type) == std::end(c_ScsiNotDisk);
}

// The SCSI host a device is attached through ("host2"); "" when it is none.
std::string ScsiHost(const std::string& device) {
  for (const std::string& part : hx::Split(device, '/', true))
    if (hx::StartsWith(part, "host") && part.size() > 4 && part.find_first_not_of("0123456789", 4) == std::string::npos)
      return part;
  return std::string();
}

std::string ScsiTransport(const hxlinux::MachineTreeC& tree, const std::string& device) {
  if (device.find("/usb") != std::string::npos) return "usb";
  const std::string host = ScsiHost(device);
  if (!host.empty()) {
    if (tree.Exists("/sys/class/sas_host/" + host) || tree.Exists(device + "/sas_address")) return "sas";
    if (tree.Exists("/sys/class/fc_host/" + host)) return "fc";
    if (tree.Exists("/sys/class/iscsi_host/" + host)) return "iscsi";
    const std::string driver = tree.Value("/sys/class/scsi_host/" + host + "/proc_name");
    if (hx::StartsWith(driver, "ahci") || hx::StartsWith(driver, "sata")) return "sata";
    if (driver.find("ata") != std::string::npos) return "ata";
  }
  // A tree without the SCSI hosts (a capture of block devices alone) still shows a disk behind
  // a libata port ("/ata1/") by its place: such ports are SATA but on the oldest machines.
  for (const std::string& part : hx::Split(device, '/', true))
    if (hx::StartsWith(part, "ata") && part.size() > 3 && part.find_first_not_of("0123456789", 3) == std::string::npos)
      return "sata";
  return "scsi";
}

// The USB device a disk belongs to: the nearest directory above it with a vendor id.
void FindUsbDevice(const hxlinux::MachineTreeC& tree, DiskT& d) {
  for (std::string dir = d.device; dir.size() > 1; dir = dir.substr(0, dir.find_last_of('/'))) {
    d.usbVendorId = hxlinux::IdText(tree.Value(dir + "/idVendor"), c_IdDigits);
    if (d.usbVendorId.empty()) continue;
    d.usbProductId = hxlinux::IdText(tree.Value(dir + "/idProduct"), c_IdDigits);
    return;
  }
}

std::string Text(const hxlinux::MachineTreeC& tree, const std::string& path) {
  return hx::ToValidUtf8(tree.Value(path));
}

// The bus a disk's device hangs on: the "subsystem" link, or, in a captured tree that kept the
// device's directories but not that link, the device's place (a SCSI address "0:0:0:0", a
// virtio or MMC device).
std::string Subsystem(const hxlinux::MachineTreeC& tree, const DiskT& d) {
  const std::string linked = tree.LinkName(d.device + "/subsystem");
  if (!linked.empty()) return linked;
  const std::string last = d.device.substr(d.device.find_last_of('/') + 1);
  if (std::count(last.begin(), last.end(), ':') == 3 && last.find_first_not_of("0123456789:") == std::string::npos)
    return "scsi";
  if (d.device.find("/virtio") != std::string::npos) return "virtio";
  if (d.device.find("/mmc") != std::string::npos) return "mmc";
  return std::string();
}

DiskT ReadDisk(const hxlinux::MachineTreeC& tree, const std::string& name) {
  DiskT d;
  d.name = name;
  d.dir = c_BlockDir + name;
  // The "device" link, or where the disk stands below its device: ".../<device>/block/<name>"
  // (SCSI, virtio) or ".../<controller>/<name>" (NVMe).
  if (tree.Exists(d.dir + "/device")) {
    d.device = hxlinux::CanonicalPath(tree, d.dir + "/device");
  } else {
    std::string block = hxlinux::CanonicalPath(tree, d.dir);
    block = block.substr(0, block.find_last_of('/'));
    if (hx::EndsWith(block, "/block")) block = block.substr(0, block.find_last_of('/'));
    d.device = block;
  }
  HX_IGNORE_RESULT(hx::ParseInt64(tree.Value(d.dir + "/size"), d.sectors));  // unread: stays -1, no Size
  const std::string rotational = tree.Value(d.dir + "/queue/rotational");
  d.media = rotational == "0" ? "SSD" : rotational == "1" ? "HDD" : "";
  const std::string subsystem = Subsystem(tree, d);
  if (hx::StartsWith(name, "nvme")) {
    d.interface = "nvme";
    d.model = Text(tree, d.device + "/model");
    d.serial = Text(tree, d.device + "/serial");
    d.firmware = Text(tree, d.device + "/firmware_rev");
    d.pciFunction = hxlinux::PciFunctionOf(d.device);
  } else if (subsystem == "virtio") {
    d.interface = "virtio";
    d.serial = Text(tree, d.dir + "/serial");
    d.pciFunction = hxlinux::PciFunctionOf(d.device);
  } else if (subsystem == "mmc") {
    d.interface = "mmc";
    d.model = Text(tree, d.device + "/name");
    d.serial = Text(tree, d.device + "/serial");
    d.firmware = Text(tree, d.device + "/fwrev");
  } else if (subsystem == "scsi") {
    d.interface = ScsiTransport(tree, d.device);
    d.model = Text(tree, d.device + "/model");
    d.vendor = Text(tree, d.device + "/vendor");
    if (d.vendor == c_AtaVendor) d.vendor.clear();
    d.firmware = Text(tree, d.device + "/rev");
    std::string page;
    if (tree.Read(d.device + "/vpd_pg80", page))
      d.serial = hxlinux::VpdSerial(page);
    else if (tree.Exists(d.device + "/vpd_pg80"))
      HWClass_Linux::NeedsRoot("the serial numbers of SCSI and SATA disks");
    if (d.interface == "usb") FindUsbDevice(tree, d);
  } else {
    d.interface = subsystem;  // xen, ...
  }
  return d;
}

}  // namespace

hx::ResultT HWClass_LinuxDiskDrive::GetInventory(HWInstanceListT& instances, StringC className,
                                                 const PropertyMap& /*parameters*/) {
  const hxlinux::MachineTreeC& tree = Tree();
  std::vector<DiskT> disks;
  std::vector<std::string> functions;
  std::vector<hxlinux::IdPathT> usbIds;
  for (const std::string& name : tree.List(c_BlockDir)) {
    if (!IsWholeDisk(tree, name, c_BlockDir + name)) continue;
    disks.push_back(ReadDisk(tree, name));
    if (!disks.back().pciFunction.empty()) functions.push_back(disks.back().pciFunction);
    if (!disks.back().usbVendorId.empty()) usbIds.push_back({disks.back().usbVendorId, disks.back().usbProductId});
  }
  const std::vector<hxlinux::PciDeviceT> pci = hxlinux::ReadPciDevices(tree, functions);
  const std::vector<std::vector<std::string>> usb = hxlinux::LookupMachineIds(tree, hxlinux::IdBusE::Usb, usbIds);
  hx::ResultT r = hx::RC_OK;
  size_t nextPci = 0, nextUsb = 0;
  for (DiskT& d : disks) {
    if (!d.pciFunction.empty()) {
      const hxlinux::PciDeviceT& function = pci[nextPci++];
      if (!function.vendor.empty()) d.vendor = function.vendor;
      if (d.model.empty()) d.model = function.device;
    }
    if (!d.usbVendorId.empty()) {
      const std::string& maker = usb[nextUsb++][0];
      if (!maker.empty()) d.vendor = maker;
    }
    RefM<HWInstance> instance = MakeInstance(className, d.name);
    const hx::ResultT populated = PopulateInstance(instance);
    if (hx::Failed(populated)) r = populated;
    instance->AddProperty(c_DeviceID, "/dev/" + d.name);
    if (d.sectors >= 0 && d.sectors <= INT64_MAX / c_SectorBytes)
      instance->AddProperty("Size", std::to_string(d.sectors * c_SectorBytes));
    instance->AddProperty(c_Model, d.model);
    instance->AddProperty(c_Manufacturer, d.vendor);
    instance->AddProperty("SerialNumber", d.serial);
    instance->AddProperty("FirmwareRevision", d.firmware);
    instance->AddProperty("InterfaceType", d.interface);
    instance->AddProperty("MediaType", d.media);
    instances.push_back(instance);
  }
  return r;
}
