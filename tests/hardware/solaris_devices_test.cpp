// The device providers: which device nodes make disks and displays, the disk values merged
// from device properties and error statistics, the display's PROM properties, and the shared
// device tree walk over a machine snapshot.

#include "hardware/HardwareTestSupport.h"
#include "hardware/solaris/devices/HWClass_SolarisDiskDrive.h"
#include "hardware/solaris/devices/HWClass_SolarisVideoController.h"

namespace {

using DiskProviderC = hxhw::ProviderC<TrkTrackSolarisDiskDriveFactoryC, HWClass_SolarisDiskDrive>;
using VideoProviderC = hxhw::ProviderC<TrkTrackSolarisVideoControllerFactoryC, HWClass_SolarisVideoController>;

RefM<SolarisDevice> Device(const char* nodetype) {
  hx::DevNodeT node;
  node.nodetype = nodetype;
  return RefM<SolarisDevice>(new SolarisDevice(node));
}

// The x86 fixture machine shows which nodes make disks and displays (block and channel nodes,
// not the CD-ROM, the diskette, pseudo nodes and nodes without a type); the node type must match
// whole.
TEST(SolarisDevices, NodeTypesMatchWhole) {
  DiskProviderC disks;
  VideoProviderC video;
  EXPECT_FALSE(disks->FilterDevice(Device("ddi_block:cdrom:dvd")));
  EXPECT_FALSE(video->FilterDevice(Device("ddi_display:x")));
}

// The disk instance of a node and the statistics of the machine, as "Name=Value" lines.
std::string Disk(const std::string& devinfo, const std::string& kstat) {
  const hx::DevTreeT tree = hx::ParseDevinfoSnapshot(devinfo);
  if (tree.empty()) return "no node";
  const StringC name = HWClass_SolarisDiskDrive::DiskName(tree[0]);
  RefM<HWInstance> instance(new HWInstance("TVK_DiskDrive", name, ""));
  HWClass_SolarisDiskDrive::AddDiskProperties(
      *instance, HWClass_SolarisDiskDrive::DiskValues(tree[0], name, hx::ParseKstatOutput(kstat)));
  std::string text;
  for (const StringC& n : instance->GetProperties().SortedNames()) {
    if (!instance->GetProperty(n).empty()) text += n + "=" + instance->GetProperty(n) + " ";
  }
  return name + ": " + text;
}

// Statistics filling what the properties lack: the x86 fixture machine's cmdk0.
TEST(SolarisDiskDrive, ValuesFromPropertiesAndErrorStatistics) {
  // The cases: a device node, the statistics of the machine, then the disk as Disk shows it.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("solaris-disks.txt"))
    EXPECT_EQ(Disk(c.texts.at(0), c.texts.at(1)) + "\n", c.texts.at(2)) << c.what;
}

TEST(SolarisVideoController, PromPropertiesWhereThePromHasThem) {
  // The cases: a display node, then the properties the PROM gives it.
  for (const hxtest::TextCaseT& c : hxtest::TextCases("solaris-displays.txt")) {
    RefM<HWInstance> instance(new HWInstance("TVK_VideoController", "display", ""));
    HWClass_SolarisVideoController::AddPromProperties(*instance, hx::ParseDevinfoSnapshot(c.texts.at(0))[0]);
    EXPECT_EQ(hxhw::InstancesText({instance}), "TVK_VideoController|display|\n" + c.texts.at(1)) << c.what;
  }
}

// The disk and display providers share one device tree component; without kernel statistics
// the disk provider fails and adds no disk, while the display is still reported.
TEST(SolarisDevices, ProvidersWalkTheSharedTree) {
  hxhw::SnapshotRootC root(hxhw::SnapshotRootC::Solaris());
  root.Dir().Write(".snapshot/devinfo",
                   "node sd\ndriver sd\ninstance 0\nnodetype ddi_block:channel\nprop device-nblocks int 2097152\n\n"
                   "node sd\ndriver sd\ninstance 1\nnodetype ddi_block:cdrom\n\n"
                   "node display\nnodetype ddi_display\n");
  ComObjectEntryC devInfo(CLSID_SolarisDevInfo, &TrkTrackSolarisDevInfoFactoryC::Clone);
  hxhw::ProviderRegistrationC registration({&devInfo});
  HWInstanceListT instances;
  EXPECT_EQ(DiskProviderC()->GetInventory(instances, "TVK_DiskDrive", PropertyMap()), hx::RcFromErrno(ENOENT));
  EXPECT_EQ(VideoProviderC()->GetInventory(instances, "TVK_VideoController", PropertyMap()), hx::RC_OK);
  root.Dir().Write(".snapshot/kstat", "sderr:0:sd0,err:Serial No\tZ1\nsderr:0:sd0,err:class\tdevice_error\n");
  EXPECT_EQ(DiskProviderC()->GetInventory(instances, "TVK_DiskDrive", PropertyMap()), hx::RC_OK);
  // The tree was taken once: a device added to the snapshot now is not seen in this step.
  root.Dir().Write(".snapshot/devinfo", "node vga\nnodetype ddi_display\n");
  EXPECT_EQ(VideoProviderC()->GetInventory(instances, "TVK_VideoController", PropertyMap()), hx::RC_OK);
  EXPECT_EQ(hxhw::InstancesText(instances),
            "TVK_VideoController|display|\n  Name=display\n"
            "TVK_DiskDrive|sd0|\n  DeviceID=\n  DeviceType=\n  FirmwareRevision=\n  Manufacturer=\n  Model=\n"
            "  Name=sd0\n  SerialNumber=Z1\n  Size=1073741824\n"
            "TVK_VideoController|display|\n  Name=display\n");
}

}  // namespace
