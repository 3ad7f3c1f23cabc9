// The device providers and their readers: processors by package, whole disks, real file
// systems, PCI devices and display controllers of a small machine tree made here, named through
// an ID file of a few entries; and the text formats they read.

#include "hardware/HardwareTestSupport.h"
#include "hardware/linux/DeviceTexts.h"
#include "hardware/linux/HWClass_LinuxDiskDrive.h"
#include "hardware/linux/HWClass_LinuxLogicalDisk.h"
#include "hardware/linux/HWClass_LinuxPciDevices.h"
#include "hardware/linux/HWClass_LinuxProcessor.h"
#include "hardware/linux/HardwareIds.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* c_PciIds =
    "# comment\n"
    "1af4  Red Hat, Inc.\n"
    "\t1042  Virtio 1.0 block device\n"
    "\t\t1af4 1100  QEMU Virtual Machine\n"
    "144d  Samsung Electronics Co Ltd\n"
    "\ta808  NVMe SSD Controller SM981/PM981/PM983\n"
    "\t\t144d a801  SSD 970 EVO\n"
    "8086  Intel Corporation\n"
    "\t1237  440FX - 82441FX PMC [Natoma]\n"
    "\t\t1af4 1100  Qemu virtual machine\n"
    "\t5916  HD Graphics 620\n"
    "\t\t17aa 1100  Not this one\n"
    "\t7010  82371SB PIIX3 IDE [Natoma/Triton II]\n"
    "\t\t1af4 1100  Qemu virtual machine\n"
    "C 01  Mass storage controller\n"
    "\t08  Non-Volatile memory controller\n"
    "C 03  Display controller\n"
    "\t00  VGA compatible controller\n"
    "\t\t00  VGA controller\n";

TEST(HardwareIds, NamesOnlyWhatTheTreeAboveHolds) {
  const std::vector<hxlinux::IdPathT> paths = {
      {"8086", "1237", "1af4 1100"},
      {"8086", "5916", "1af4 1100"},  // the subsystem is another device's
      {"8086", "ffff"},
      {"dead", "1237"},
      {"C 03", "00", "00"},
      {"C 01", "00"},
  };
  EXPECT_EQ(hxlinux::LookupIds(c_PciIds, paths),
            (std::vector<std::vector<std::string>>{
                {"Intel Corporation", "440FX - 82441FX PMC [Natoma]", "Qemu virtual machine"},
                {"Intel Corporation", "HD Graphics 620", ""},
                {"Intel Corporation", ""},
                {"", ""},
                {"Display controller", "VGA compatible controller", "VGA controller"},
                {"Mass storage controller", ""}}));
  const std::pair<const char*, std::string> ids[] = {{"0x8086\n", "8086"}, {"0x30000", "030000"}, {"0x1AF4", "1af4"},
                                                     {"8086x", ""},        {"0x1234567", ""},     {"", ""}};
  for (const auto& [kernel, text] : ids) EXPECT_EQ(hxlinux::IdText(kernel, text.empty() ? 6 : text.size()), text);
}

TEST(LinuxDeviceTexts, CpuinfoMountsSizesModesAndSerials) {
  EXPECT_EQ(hxlinux::ParseCpuList("0-3,6, 8-9\n"), (std::vector<int64_t>{0, 1, 2, 3, 6, 8, 9}));
  EXPECT_EQ(hxlinux::ParseCpuList("3-1,x,-2,0-99999999,7,70000"), (std::vector<int64_t>{7}));
  // ARM's lines before the first block are every processor's.
  const auto cpus = hxlinux::ParseCpuInfo("Processor : ARMv7\nprocessor : 0\nCPU part : 0xd0c\n\nprocessor\t: 1\n");
  ASSERT_EQ(cpus.size(), 2u);
  EXPECT_EQ(cpus.at(1), (hxlinux::CpuFieldsT{{"Processor", "ARMv7"}}));
  EXPECT_EQ(cpus.at(0).at("CPU part"), "0xd0c");

  const std::vector<hxlinux::MountT> mounts = hxlinux::ParseMountInfo(
      "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "27 26 8:33 / /mnt/my\\040disk\\134x rw - vfat /dev/sdc1 rw\n"
      "no separator here\n28 26 0:5 / - proc\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[1].mountPoint + "|" + mounts[1].source + "|" + mounts[1].fileSystem,
            "/mnt/my disk\\x|/dev/sdc1|vfat");
  for (const char* pseudo : {"proc", "tmpfs", "overlay", "cgroup2", "fuse.lxcfs", "virtiofs"})
    EXPECT_TRUE(hxlinux::IsPseudoFileSystem(pseudo)) << pseudo;
  for (const char* real : {"ext4", "xfs", "nfs4", "fuse.sshfs", "vfat", "btrfs"})
    EXPECT_FALSE(hxlinux::IsPseudoFileSystem(real)) << real;

  const auto sizes = hxlinux::ParseStatvfsSnapshot("/ 4096 100 50 40\n/a\\040b 512 8 4 2\n/x 1 2 3\n/y 1 2 3 z\n");
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes.at("/a b").blockSize * sizes.at("/a b").available, 1024u);

  int64_t w = 0, h = 0;
  EXPECT_TRUE(hxlinux::FirstMode("1920x1080i\n1280x720\n", w, h) && w == 1920 && h == 1080);
  for (const char* bad : {"", "x768", "1024x", "axb\n1024x768"}) EXPECT_FALSE(hxlinux::FirstMode(bad, w, h)) << bad;

  using namespace std::string_literals;
  EXPECT_EQ(hxlinux::VpdSerial("\0\x80\0\x0a  WD-1234 \0\0"s), "WD-1234");
  EXPECT_EQ(hxlinux::VpdSerial("\0\x83\0\x04WD-1"s), "");              // another page
  EXPECT_EQ(hxlinux::VpdSerial("\0\x80\0\x04\x01\x02\x03\x04"s), "");  // no text
}

// A machine of two processor packages (one core with two threads), five block devices that are
// disks and six that are not, three PCI functions, and the mounts of a real and pseudo kind.
class LinuxDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::pair<std::string, std::string> files[] = {
        {"usr/share/misc/pci.ids", c_PciIds},
        {"usr/share/misc/usb.ids", "0781  SanDisk Corp.\n\t5581  Ultra\n"},
        {"proc/cpuinfo",
         "processor : 0\nvendor_id : GenuineIntel\ncpu family : 6\nmodel : 142\nmodel name : Core i5\nstepping : 9\n"
         "cpu MHz : 800.000\n\nprocessor : 1\n\nprocessor : 2\n\nprocessor : 3\nmodel name : Core i5\ncpu MHz : "
         "2711.6\n"},
        {"sys/devices/system/cpu/online", "0-3\n"},
        {"sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "3500000\n"},
        {"sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "1200400\n"},
        {"sys/devices/pci0000:00/0000:00:02.0/class", "0x030000\n"},
        {"sys/devices/pci0000:00/0000:00:02.0/vendor", "0x8086\n"},
        {"sys/devices/pci0000:00/0000:00:02.0/device", "0x5916\n"},
        {"sys/devices/pci0000:00/0000:00:02.0/drm/card0-eDP-1/status", "connected\n"},
        {"sys/devices/pci0000:00/0000:00:02.0/drm/card0-eDP-1/modes", "1920x1080\n1280x720\n"},
        {"sys/devices/pci0000:00/0000:00:05.0/class", "0x010000\n"},
        {"sys/devices/pci0000:00/0000:00:05.0/vendor", "0x1af4\n"},
        {"sys/devices/pci0000:00/0000:00:05.0/device", "0x1042\n"},
        {"sys/devices/block/vda/serial", "VIRT-7\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/class", "0x010802\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/vendor", "0x144d\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/device", "0xa808\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/subsystem_vendor", "0x144d\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/subsystem_device", "0xa801\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/nvme/nvme0/model", "Samsung SSD 970 EVO 1TB \n"},
        {"sys/devices/pci0000:00/0000:01:00.0/nvme/nvme0/serial", "S467NX0M\n"},
        {"sys/devices/pci0000:00/0000:01:00.0/nvme/nvme0/firmware_rev", "2B2QEXE7\n"},
        {"sys/devices/ata1/host0/target0:0:0/0:0:0:0/vendor", "ATA     \n"},
        {"sys/devices/ata1/host0/target0:0:0/0:0:0:0/model", "ST1000LM035\n"},
        {"sys/devices/ata1/host0/target0:0:0/0:0:0:0/rev", "SDM1\n"},
        {"sys/devices/ata1/host0/target0:0:0/0:0:0:0/type", "0\n"},
        {"sys/devices/ata1/host0/target0:0:1/0:0:1:0/type", "5\n"},
        {"sys/class/scsi_host/host0/proc_name", "ahci\n"},
        {"sys/devices/usb1/1-1/idVendor", "0781\n"},
        {"sys/devices/usb1/1-1/idProduct", "5581\n"},
        {"sys/devices/usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0/vendor", "SanDisk \n"},
        {"sys/devices/usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0/model", "Ultra\n"},
        {"proc/self/mountinfo",
         "20 1 0:20 / /proc rw - proc proc rw\n26 1 254:1 / / rw - ext4 /dev/vda1 rw\n"
         "27 26 0:30 / /srv rw - nfs4 nas:/export rw\n28 26 8:33 / /media/usb\\040stick rw - vfat /dev/sdc1 rw\n"
         "29 26 8:1 / /data rw - xfs /dev/sda1 rw\n30 29 8:2 / /data rw - ext4 /dev/sda2 rw\n"
         "31 26 0:40 / /tmp rw - tmpfs tmpfs rw\n"},
        {".snapshot/statvfs", "/ 4096 1000 600 500\n/data 1024 80 40 30\n/media/usb\\040stick 512 64 32 32\n"},
    };
    for (const auto& [path, text] : files) root_.Write(path, text);
    for (const auto& [cpu, package, core] : {std::tuple{0, 0, "0-1"}, {1, 0, "0-1"}, {2, 0, "2"}, {3, 1, "3"}}) {
      const std::string dir = "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
      root_.Write(dir + "physical_package_id", std::to_string(package) + "\n");
      root_.Write(dir + "core_cpus_list", std::string(core) + "\n");
    }
    // Whole disks, then what the block device listing does not show as one.
    const std::pair<std::string, std::string> block[] = {
        {"sda", "/sys/devices/ata1/host0/target0:0:0/0:0:0:0"},
        {"sdc", "/sys/devices/usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0"},
        {"nvme0n1", "/sys/devices/pci0000:00/0000:01:00.0/nvme/nvme0"},
        {"vda", "/sys/devices/pci0000:00/0000:00:05.0/virtio2"},
        {"sr0", "/sys/devices/ata1/host0/target0:0:1/0:0:1:0"},
        {"loop0", ""},
        {"dm-0", ""},
        {"md127", ""},
        {"zram0", ""},
        {"ram0", ""},
        {"bcache0", ""},
    };
    for (const auto& [name, device] : block) {
      const std::string dir = "sys/devices/block/" + name;
      root_.Write(dir + "/size", "2097152\n");
      root_.Write(dir + "/dev", name == "ram0" ? "1:0\n" : "8:0\n");
      root_.Write(dir + "/queue/rotational", name == "sda" ? "1\n" : "0\n");
      if (name == "bcache0") root_.Write(dir + "/slaves/sdb", "");
      Link("sys/block/" + name, "../devices/block/" + name);
      if (device.empty()) continue;
      Link(dir + "/device", device);
      const bool scsi = hx::StartsWith(name, "s");
      Link(device.substr(1) + "/subsystem", scsi            ? "/sys/bus/scsi"
                                            : name == "vda" ? "/sys/bus/virtio"
                                                            : "/sys/class/nvme");
    }
    root_.Write("sys/devices/ata1/host0/target0:0:0/0:0:0:0/vpd_pg80", std::string("\0\x80\0\x08WD-WX41", 12));
    for (const char* fn : {"0000:00:02.0", "0000:00:05.0", "0000:01:00.0"})
      Link(std::string("sys/bus/pci/devices/") + fn, std::string("../../../devices/pci0000:00/") + fn);
    Link("sys/devices/pci0000:00/0000:00:02.0/driver", "../../../bus/pci/drivers/i915");
    Link("sys/class/drm/card0", "../../devices/pci0000:00/0000:00:02.0/drm/card0");
    Link("sys/class/drm/card0-eDP-1", "../../devices/pci0000:00/0000:00:02.0/drm/card0-eDP-1");
    Link("sys/devices/pci0000:00/0000:00:02.0/drm/card0/device", "../../../0000:00:02.0");
  }

  void Link(const std::string& at, const std::string& to) {
    root_.Mkdir(at.substr(0, at.find_last_of('/')));
    ASSERT_EQ(::symlink(to.c_str(), root_.File(at).c_str()), 0) << at;
  }

  template <typename FactoryT>
  std::string Inventory(const char* className) {
    hxhw::ProviderC<FactoryT> provider;
    HWInstanceListT instances;
    EXPECT_EQ(provider->GetInventory(instances, className, PropertyMap()), hx::RC_OK);
    std::string text;  // as the document holds them: without the empty values
    for (const RefM<HWInstance>& i : instances) {
      text += i->GetClassName() + "|" + i->GetName() + "|" + i->GetEvidence() + "\n";
      for (const StringC& name : i->GetProperties().SortedNames())
        if (!i->GetProperty(name).empty()) text += "  " + name + "=" + i->GetProperty(name) + "\n";
    }
    return text;
  }

  hxtest::TempDirC root_{"hx-devices"};
  hxtest::ScopedEnvC env_{"TARVOSKSYSROOT", root_.Path().c_str()};
};

TEST_F(LinuxDevicesTest, ProcessorsByPackage) {
  EXPECT_EQ(
      Inventory<TrkTrackLinuxProcessorFactoryC>("TVK_Processor"),
      "TVK_Processor|CPU0|\n  CurrentClockSpeed=1200\n  Description=GenuineIntel Family 6 Model 142 Stepping 9\n"
      "  DeviceID=CPU0\n  Manufacturer=GenuineIntel\n  MaxClockSpeed=3500\n  Name=Core i5\n  NumberOfCores=2\n"
      "  NumberOfLogicalProcessors=3\n"
      "TVK_Processor|CPU1|\n  CurrentClockSpeed=2712\n  DeviceID=CPU1\n  MaxClockSpeed=2712\n  Name=Core i5\n"
      "  NumberOfCores=1\n  NumberOfLogicalProcessors=1\n");
  // An ARM machine names no model: the package is named by its DeviceID, the maker by its code.
  root_.Write("proc/cpuinfo",
              "processor : 0\nCPU implementer : 0x41\nCPU variant : 0x3\nCPU part : 0xd0c\n"
              "CPU revision : 1\n");
  root_.Write("sys/devices/system/cpu/online", "0\n");
  EXPECT_EQ(Inventory<TrkTrackLinuxProcessorFactoryC>("TVK_Processor"),
            "TVK_Processor|CPU0|\n  CurrentClockSpeed=1200\n  Description=Implementer 0x41 Part 0xd0c Variant 0x3 "
            "Revision 1\n  DeviceID=CPU0\n  Manufacturer=ARM\n  MaxClockSpeed=3500\n  Name=CPU0\n  NumberOfCores=1\n"
            "  NumberOfLogicalProcessors=1\n");
}

TEST_F(LinuxDevicesTest, WholeDisksNamedThroughTheIdDatabase) {
  EXPECT_EQ(
      Inventory<TrkTrackLinuxDiskDriveFactoryC>("TVK_DiskDrive"),
      "TVK_DiskDrive|nvme0n1|\n  DeviceID=/dev/nvme0n1\n  FirmwareRevision=2B2QEXE7\n  InterfaceType=nvme\n"
      "  Manufacturer=Samsung Electronics Co Ltd\n  MediaType=SSD\n  Model=Samsung SSD 970 EVO 1TB\n"
      "  Name=nvme0n1\n  SerialNumber=S467NX0M\n  Size=1073741824\n"
      "TVK_DiskDrive|sda|\n  DeviceID=/dev/sda\n  FirmwareRevision=SDM1\n  InterfaceType=sata\n  MediaType=HDD\n"
      "  Model=ST1000LM035\n  Name=sda\n  SerialNumber=WD-WX41\n  Size=1073741824\n"
      "TVK_DiskDrive|sdc|\n  DeviceID=/dev/sdc\n  InterfaceType=usb\n  Manufacturer=SanDisk Corp.\n  MediaType=SSD\n"
      "  Model=Ultra\n  Name=sdc\n  Size=1073741824\n"
      "TVK_DiskDrive|vda|\n  DeviceID=/dev/vda\n  InterfaceType=virtio\n  Manufacturer=Red Hat, Inc.\n"
      "  MediaType=SSD\n  Model=Virtio 1.0 block device\n  Name=vda\n  SerialNumber=VIRT-7\n  Size=1073741824\n");
  // Without the ID files no number stands in for a maker: the kernel's own vendor text remains.
  ::unlink(root_.File("usr/share/misc/pci.ids").c_str());
  ::unlink(root_.File("usr/share/misc/usb.ids").c_str());
  const std::string bare = Inventory<TrkTrackLinuxDiskDriveFactoryC>("TVK_DiskDrive");
  EXPECT_EQ(bare.find("Samsung Electronics"), std::string::npos) << bare;
  EXPECT_NE(bare.find("Manufacturer=SanDisk\n"), std::string::npos) << bare;
  EXPECT_EQ(bare.find("1af4"), std::string::npos) << bare;
}

TEST_F(LinuxDevicesTest, RealFileSystemsSizedFromTheSnapshot) {
  EXPECT_EQ(Inventory<TrkTrackLinuxLogicalDiskFactoryC>("TVK_LogicalDisk"),
            "TVK_LogicalDisk|/|\n  DeviceID=/\n  FileSystem=ext4\n  FreeSpace=2048000\n  Name=/\n"
            "  ProviderName=/dev/vda1\n  Size=4096000\n"
            "TVK_LogicalDisk|/srv|\n  DeviceID=/srv\n  FileSystem=nfs4\n  Name=/srv\n  ProviderName=nas:/export\n"
            "TVK_LogicalDisk|/media/usb stick|\n  DeviceID=/media/usb stick\n  FileSystem=vfat\n  FreeSpace=16384\n"
            "  Name=/media/usb stick\n  ProviderName=/dev/sdc1\n  Size=32768\n"
            "TVK_LogicalDisk|/data|\n  DeviceID=/data\n  FileSystem=ext4\n  FreeSpace=30720\n  Name=/data\n"
            "  ProviderName=/dev/sda2\n  Size=81920\n");
}

TEST_F(LinuxDevicesTest, PciDevicesAndDisplayControllers) {
  const std::string pci = Inventory<TrkTrackLinuxPCIDeviceFactoryC>("TVK_PCIDevice");
  EXPECT_NE(pci.find("TVK_PCIDevice|0000:00:02.0|\n  ClassCode=030000\n  ClassName=Display controller\n"
                     "  Description=HD Graphics 620\n  DeviceID=0000:00:02.0\n  Driver=i915\n"
                     "  Manufacturer=Intel Corporation\n  Name=0000:00:02.0\n  ProductID=5916\n"
                     "  SubclassName=VGA compatible controller\n  VendorID=8086\n"),
            std::string::npos)
      << pci;
  EXPECT_NE(pci.find("  SubsystemID=a801\n  SubsystemManufacturer=Samsung Electronics Co Ltd\n"
                     "  SubsystemName=SSD 970 EVO\n  SubsystemVendorID=144d\n"),
            std::string::npos)
      << pci;
  EXPECT_EQ(
      Inventory<TrkTrackLinuxVideoControllerFactoryC>("TVK_VideoController"),
      "TVK_VideoController|HD Graphics 620|\n  AdapterCompatibility=Intel Corporation\n  Caption=HD Graphics 620\n"
      "  CurrentHorizontalResolution=1920\n  CurrentVerticalResolution=1080\n  DeviceID=0000:00:02.0\n"
      "  Driver=i915\n  Name=HD Graphics 620\n");
}

}  // namespace
