// The machine's identity on Linux: the SMBIOS tables decoded from their bytes (two laptops'
// tables, tests/fixtures/smbios, and structures made here for the rules they do not show),
// the hypervisor and container named as systemd-detect-virt names them, and the computer
// system, product, BIOS and memory providers on trees made by the tests.

#include "foundation/core/Text.h"
#include "hardware/HardwareTestSupport.h"
#include "hardware/linux/HWClass_Linux.h"
#include "hardware/linux/HWClass_LinuxBIOS.h"
#include "hardware/linux/HWClass_LinuxComputerSystem.h"
#include "hardware/linux/HWClass_LinuxComputerSystemProduct.h"
#include "hardware/linux/HWClass_LinuxPhysicalMemory.h"
#include "hardware/linux/LinuxVirtualization.h"
#include "hardware/linux/SMBiosTable.h"

namespace {

using namespace std::string_literals;
using hxlinux::SMBiosEntryT;

// A dump file: the entry point, and the table at the place the entry point names.
struct DumpT {
  SMBiosEntryT entry;
  std::string entryBytes, table;
};
DumpT Dump(const char* name) {
  DumpT d;
  const std::string bytes = hxtest::ReadFile(HX_SOURCE_DIR "/tests/fixtures/smbios/"s + name);
  EXPECT_TRUE(hxlinux::ParseSMBiosEntryPoint(bytes, d.entry)) << name;
  d.entryBytes = bytes.substr(0, d.entry.tableAddress);
  d.table = bytes.substr(d.entry.tableAddress, d.entry.tableLength);
  return d;
}

// The value `name` of the nth record of `type` ("-" when there is no such record).
std::string ValueOf(const SMBiosRecordsT& records, int type, int nth, const char* name) {
  for (const RefM<SMBiosDataC>& r : records) {
    if (r->GetType() == type && nth-- == 0) return r->HasValue(name) ? r->GetValue(name) : "(none)";
  }
  return "-";
}

// Expected values worked out by hand from the bytes and the table format.
TEST(SMBiosTable, TwoLaptopsTables) {
  const DumpT toshiba = Dump("satellite_pro_l70_testdata.bin");
  const DumpT thinkpad = Dump("smbios_table.bin");
  EXPECT_EQ(toshiba.entry.version, 0x020700u);
  EXPECT_EQ(toshiba.entry.structures, 69u);
  EXPECT_EQ(thinkpad.entry.version, 0x030101u);
  const SMBiosRecordsT t = hxlinux::ParseSMBiosTable(toshiba.table, toshiba.entry);
  const SMBiosRecordsT p = hxlinux::ParseSMBiosTable(thinkpad.table, thinkpad.entry);
  struct CaseT {
    const SMBiosRecordsT& records;
    int type, nth;
    const char *name, *value;
  } cases[] = {
      {t, 0, 0, "Address", "0xE0000"},
      {t, 0, 0, "Runtime Size", "128 kB"},
      {t, 0, 0, "ROM Size", "6656 kB"},
      {t, 0, 0, "BIOS Revision", "1.60"},
      {t, 0, 0, "Firmware Revision", "1.30"},
      {t, 1, 0, "UUID", "b560f4a0-4048-11e3-8b6a-089e01ee6336"},  // first three fields little-endian
      {t, 2, 0, "Type", "Motherboard"},
      {t, 3, 0, "Type", "Notebook"},
      {t, 3, 0, "SKU Number", "(none)"},  // its index sits one byte past where the count puts it
      {t, 4, 0, "ID", "C3 06 03 00 FF FB EB BF"},
      {t, 4, 0, "Max Speed", "2600 MHz"},
      {t, 4, 0, "Status", "Populated, Enabled"},
      {t, 4, 0, "Thread Count", "4"},
      {t, 17, 0, "Size", "8 GB"},
      {t, 17, 0, "Form Factor", "SODIMM"},
      {t, 17, 0, "Type", "DDR3"},
      {t, 17, 0, "Speed", "1600 MT/s"},
      {t, 17, 0, "Part Number", "16KTF1G64HZ-1G6E2"},
      {t, 17, 0, "Rank", "2"},
      {t, 17, 1, "Size", "No Module Installed"},
      {t, 17, 1, "Speed", "(none)"},
      {t, 17, 4, "Size", "-"},
      {p, 0, 0, "ROM Size", "32 MB"},  // the 3.1 extended size
      {p, 1, 0, "UUID", "0677d5cc-25b1-11b2-a85c-c66e0b64b3d5"},
      {p, 4, 0, "Core Count", "4"},
      {p, 17, 1, "Size", "32 GB"},  // the 2.7 extended size
      {p, 17, 1, "Speed", "2667 MT/s"},
      {p, 17, 1, "Configured Memory Speed", "2400 MT/s"},
      {p, 17, 1, "Array Handle", "0x0002"},
  };
  for (const CaseT& c : cases)
    EXPECT_EQ(ValueOf(c.records, c.type, c.nth, c.name), c.value) << c.type << "/" << c.nth << " " << c.name;
}

// A structure of `type` (handle 0x0100): the bytes after its header, then its strings.
std::string Structure(int type, const std::string& body, const std::vector<std::string>& strings = {}) {
  std::string s{static_cast<char>(type), static_cast<char>(4 + body.size()), '\0', '\1'};
  s += body;
  for (const std::string& text : strings) s += text + '\0';
  return s + (strings.empty() ? "\0\0"s : "\0"s);
}

// `bytes` with the byte at `at` set so that the `length` bytes from `from` add up to 0.
std::string Summed(std::string bytes, size_t at, size_t from, size_t length) {
  bytes[at] = 0;
  uint8_t sum = 0;
  for (size_t i = from; i < from + length; ++i) sum += static_cast<uint8_t>(bytes[i]);
  bytes[at] = static_cast<char>(-sum);
  return bytes;
}

// The rules the laptops' tables do not show.
TEST(SMBiosTable, VersionsSizesAndBrokenTables) {
  const std::string uuid = "\0\1\2\3\4\5\6\7\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"s;
  const std::string system = Structure(1, "\1\2\3\5"s + uuid + "\6", {"Maker\x01", "  Model  ", "Caf\xe9"});
  const std::string memory = Structure(17, std::string(0x11, '\0') + "\0\0\0\0"s) + Structure(126, "");
  std::string wide(0x58, '\0');
  // Offsets 0x0C, 0x15, 0x1C and 0x54 of the structure: the sizes and speeds that say "look further".
  wide[0x08] = '\xFF', wide[0x09] = '\x7F', wide[0x11] = '\xFF', wide[0x12] = '\xFF', wide[0x19] = '\x06',
  wide[0x51] = '\x19';
  struct CaseT {
    uint32_t version, structures;
    std::string table;
    int type;
    const char *name, *value;
  } cases[] = {
      {0x020500, 0, system, 1, "UUID", "00010203-0405-0607-0809-0a0b0c0d0e0f"},  // before 2.6: as it stands
      {0x020600, 0, system, 1, "UUID", "03020100-0504-0706-0809-0a0b0c0d0e0f"},
      {0x020600, 0, Structure(1, "\1\0\0\0"s + std::string(16, '\xFF') + "\6"), 1, "UUID", "(none)"},
      {0x020600, 0, system, 1, "Manufacturer", "Maker."},
      {0x020600, 0, system, 1, "Product Name", "Model"},
      {0x020600, 0, system, 1, "Version", "Caf\xc3\xa9"},   // Latin-1
      {0x020600, 0, system, 1, "Serial Number", "(none)"},  // index 5 of 3 strings
      {0x020600, 0, memory, 17, "Size", "No Module Installed"},
      {0x030300, 0, Structure(17, wide), 17, "Size", "1536 MB"},
      {0x030300, 0, Structure(17, wide), 17, "Speed", "6400 MT/s"},  // the 3.3 double word
      {0x020300, 0, Structure(17, std::string(8, '\0') + "\x00\x82"s + std::string(7, '\0')), 17, "Size", "512 kB"},
      {0x020300, 0, Structure(17, std::string(8, '\0') + "\xff\xff"s + std::string(7, '\0')), 17, "Size", "(none)"},
      {0x020000, 0, Structure(0, "\1\2\0\0\3\xFF"s + std::string(12, '\0')), 0, "ROM Size", "16 MB"},
      {0x030100, 0, Structure(0, "\1\2\0\0\3\xFF"s + std::string(14, '\xFF') + "\x01\x40"s), 0, "ROM Size", "1 GB"},
      {0x030000, 0,
       Structure(4, std::string(0x14, '\0') + std::string(0x12, '\xFF') + "\x2c\x01"s + std::string(4, '\0')), 4,
       "Core Count", "300"},
      {0x030000, 0, Structure(4, std::string(0x16, '\0')), 4, "Status", "Unpopulated"},
      // The walk: a count that ends it, a header too short, a structure cut short, the end.
      {0x020600, 1, Structure(0, "\1\0\0\0\0"s, {"A"}) + system, 1, "UUID", "-"},
      {0x020600, 0, "\0\3\0\0"s + system, 1, "UUID", "-"},
      {0x020600, 0, Structure(0, "\1\0\0\0\0"s, {"A"}) + system.substr(0, system.size() - 1), 1, "UUID", "-"},
      {0x020600, 0, Structure(127, "") + system, 1, "UUID", "-"},
      {0x020600, 0, memory + system, 1, "Product Name", "Model"},  // past the inactive one
  };
  for (const CaseT& c : cases) {
    const SMBiosRecordsT records = hxlinux::ParseSMBiosTable(c.table, SMBiosEntryT{c.version, 0, 0, c.structures});
    EXPECT_EQ(ValueOf(records, c.type, 0, c.name), c.value) << c.name << " " << std::hex << c.version;
  }
  // Entry points: the misreported 2.51 read as 2.6, the legacy one's BCD version, and what is
  // refused.
  const std::string legacy = "_DMI_\0\x20\0\0\0\0\0\3\0\x21"s;
  const std::string sm2 =
      Summed(Summed("_SM_\0\x1f\x02\x33"s + std::string(8, '\0') + legacy + "\0"s, 0x15, 0x10, 0x0F), 4, 0, 0x1F);
  const std::string sm3 = Summed("_SM3_\0\x18\x03\x03\x00\x01\0\0\1\0\0\x20\0\0\0\0\0\0\0"s, 5, 0, 0x18);
  SMBiosEntryT e;
  EXPECT_TRUE(hxlinux::ParseSMBiosEntryPoint(sm2, e) && e.version == 0x020600 && e.structures == 3);
  EXPECT_TRUE(hxlinux::ParseSMBiosEntryPoint(Summed(legacy, 5, 0, 0x0F), e) && e.version == 0x020100);
  EXPECT_TRUE(hxlinux::ParseSMBiosEntryPoint(sm3, e) && e.version == 0x030300 && e.tableLength == 0x100);
  for (const std::string& bad : {sm3.substr(0, 0x17), sm2.substr(0, 0x1E), "_SM3_\0\x18"s + sm3.substr(7) + "x", legacy,
                                 "_SM4_"s + sm3.substr(5)})
    EXPECT_FALSE(hxlinux::ParseSMBiosEntryPoint(bad, e)) << hx::ToValidUtf8(bad);
  const std::pair<const char*, int64_t> sizes[] = {{"16 GB", 16LL << 30}, {"1536 MB", 1536LL << 20},
                                                   {"512 kB", 512 << 10}, {"64 bytes", 64},
                                                   {"7 EB", 7LL << 60},   {"8 EB", -1},
                                                   {"16 QB", -1},         {"GB", -1}};
  for (const auto& [text, bytes] : sizes) EXPECT_EQ(hxlinux::SMBiosSizeBytes(text), bytes) << text;
}

// A tree made of `files` (path below the root, content; "->target" makes a link instead).
using FilesT = std::vector<std::pair<std::string, std::string>>;
void Make(const hxtest::TempDirC& root, const FilesT& files) {
  for (const auto& [path, content] : files) {
    const std::string file = root.Write(path, content);
    if (hx::StartsWith(content, "->")) {
      EXPECT_TRUE(::unlink(file.c_str()) == 0 && ::symlink(&content[2], file.c_str()) == 0) << path;
    }
  }
}

TEST(LinuxVirtualization, NamedAsSystemdDetectVirtNamesThem) {
  const hxlinux::DmiNamesT none, qemu{"Standard PC (Q35 + ICH9, 2009)", "QEMU", "", "SeaBIOS", "pc-q35-7.2"};
  const hxlinux::DmiNamesT vbox{"VirtualBox", "innotek GmbH", "Oracle Corporation", "innotek GmbH", "1.2"};
  const std::string kvm = "KVMKVMKVM\0\0\0"s, hypervisor = "flags\t\t: fpu hypervisor\n";
  std::string vmBit(20, '\0');
  vmBit[1] = 20, vmBit[19] = 0x10;  // BIOS characteristics extension byte 2, bit 4
  const std::nullopt_t tree = std::nullopt;
  const std::string cgroupns = "->cgroup:[4026532]", controllers = "sys/fs/cgroup/cgroup.controllers";
  // clang-format off
  struct CaseT { FilesT files; hxlinux::DmiNamesT dmi; std::optional<std::string> cpu; const char *vm, *container; }
  cases[] = {
      {{}, none, "", "none", "none"},
      {{}, qemu, kvm, "kvm", "none"},  // the processor's word before the firmware's
      {{}, qemu, "", "qemu", "none"},
      {{}, vbox, kvm, "oracle", "none"},           // VirtualBox runs on KVM
      {{}, qemu, "Microsoft Hv", "qemu", "none"},  // QEMU offering Hyper-V's interfaces
      {{}, none, "Microsoft Hv", "microsoft", "none"},
      {{}, none, "Unheard of!", "vm-other", "none"},
      {{{"proc/xen/capabilities", "control_d\n"}}, none, "", "none", "none"},  // the control domain
      {{{"proc/xen/privcmd", ""}}, qemu, kvm, "xen", "none"},
      {{{"sys/hypervisor/type", "xen\n"}}, none, tree, "xen", "none"},
      {{}, {"m5.metal", "Amazon EC2", "Amazon EC2", "Amazon EC2", ""}, "", "none", "none"},
      {{}, {"t3.micro", "Amazon EC2", "Amazon EC2", "Amazon EC2", ""}, kvm, "amazon", "none"},
      {{{"sys/firmware/dmi/entries/0-0/raw", vmBit}}, {"m5.metal", "Amazon EC2", "", "", ""}, "", "amazon", "none"},
      {{{"sys/firmware/dmi/entries/0-0/raw", vmBit}}, none, "", "vm-other", "none"},
      {{{"proc/cpuinfo", "processor\t: 0\nvendor_id\t: User Mode Linux\n"}}, none, kvm, "uml", "none"},
      {{{"proc/cpuinfo", hypervisor},
        {"sys/devices/system/clocksource/clocksource0/available_clocksource", "tsc kvm-clock acpi_pm\n"}},
       qemu, tree, "kvm", "none"},
      {{{"proc/cpuinfo", hypervisor}}, none, tree, "vm-other", "none"},
      {{{"proc/device-tree/hypervisor/compatible", "linux,kvm\0"s}}, none, tree, "kvm", "none"},
      {{{"proc/device-tree/fw-cfg@9020000/compatible", "qemu,fw-cfg-mmio\0"s}}, none, tree, "qemu", "none"},
      {{{"proc/device-tree/ibm,partition-name", "lpar1\0"s}, {"proc/device-tree/hmc-managed?", ""}}, none, tree,
       "powervm", "none"},
      {{{"proc/sysinfo", "VM00 Name:  LINUX01\nVM00 Control Program: z/VM    7.2.0\n"}}, none, tree, "zvm", "none"},
      {{{".dockerenv", ""}}, none, "", "none", "docker"},
      {{{".dockerenv", ""}, {"run/.containerenv", ""}}, none, "", "none", "podman"},
      {{{"run/systemd/container", "lxc-libvirt\n"}, {".dockerenv", ""}}, none, "", "none", "lxc-libvirt"},
      {{{"run/host/container-manager", "oci\n"}, {".dockerenv", ""}}, none, "", "none", "docker"},
      {{{"run/systemd/container", "garden\n"}}, none, "", "none", "container-other"},
      {{{"proc/sys/kernel/osrelease", "5.15.90.1-microsoft-standard-WSL2\n"}}, none, "", "none", "wsl"},
      {{{"proc/vz/veinfo", ""}}, none, "", "none", "openvz"},
      {{{"proc/vz/veinfo", ""}, {"proc/bc/0", ""}}, none, "", "none", "none"},  // the OpenVZ host
      {{{"proc/self/status", "Name:\tsh\nTracerPid:\t42\n"}, {"proc/42/comm", "proot\n"}}, none, "", "none", "proot"},
      {{{"proc/1/cgroup", "12:pids:/docker/4f3a9c\n0::/\n"}}, none, "", "none", "docker"},
      {{{"proc/self/ns/cgroup", cgroupns}, {controllers, ""}, {"sys/fs/cgroup/cgroup.events", ""},
        {"sys/fs/cgroup/cgroup.type", ""}}, none, "", "none", "container-other"},
      {{{"proc/self/ns/cgroup", cgroupns}, {controllers, ""}}, none, "", "none", "none"},  // the hierarchy's root
  };
  // clang-format on
  for (const CaseT& c : cases) {
    hxtest::TempDirC root("hx-virt");
    Make(root, c.files);
    const hxlinux::MachineTreeC machine(root.Path());
    const std::string what = c.files.empty() ? c.dmi.systemVendor + c.cpu.value_or("") : c.files[0].first;
    EXPECT_EQ(hxlinux::DetectHypervisor(machine, c.dmi, c.cpu), c.vm) << what;
    EXPECT_EQ(hxlinux::DetectContainer(machine), c.container) << what;
  }
}

// The providers in the order of the class list, on a machine whose tree holds `files`.
std::string Providers(const hxtest::TempDirC& root) {
  hxhw::ScopedPrefsC prefs;
  prefs.Set("MachineName", "kestrel").Set("UserName", "joe");
  hxtest::ScopedEnvC sysroot("TARVOSKSYSROOT", root.Path().c_str());
  HWInstanceListT instances;
  hxhw::ProviderC<TrkTrackLinuxPhysicalMemoryFactoryC>()->GetInventory(instances, "TVK_PhysicalMemory", PropertyMap());
  hxhw::ProviderC<TrkTrackLinuxComputerSystemFactoryC>()->GetInventory(instances, "TVK_ComputerSystem", PropertyMap());
  hxhw::ProviderC<TrkTrackLinuxComputerSystemProductFactoryC>()->GetInventory(instances, "TVK_ComputerSystemProduct",
                                                                              PropertyMap());
  hxhw::ProviderC<TrkTrackLinuxBIOSFactoryC>()->GetInventory(instances, "TVK_BIOS", PropertyMap());
  std::string text;
  for (const RefM<HWInstance>& i : instances) {
    text += i->GetClassName() + "|" + i->GetName() + "\n";
    for (const StringC& name : i->GetProperties().SortedNames())
      if (!i->GetProperty(name).empty()) text += " " + name + "=" + i->GetProperty(name) + "\n";
  }
  return text;
}

const FilesT& ThinkPad() {
  static const FilesT files = [] {
    const DumpT d = Dump("smbios_table.bin");
    return FilesT{{"sys/firmware/dmi/tables/smbios_entry_point", d.entryBytes},
                  {"sys/firmware/dmi/tables/DMI", d.table},
                  {"sys/class/dmi/id/product_serial", "PF1NKFHN\n"},
                  {"sys/class/dmi/id/product_name", "20N2CTO1WW\n"},
                  {"proc/meminfo", "MemTotal:       40000000 kB\n"}};
  }();
  return files;
}

TEST(LinuxIdentityProviders, FromTheTablesTheKernelsFilesOrNothing) {
  const FilesT qemu = {{"sys/class/dmi/id/sys_vendor", "QEMU\n"},
                       {"sys/class/dmi/id/product_name", "Standard PC (i440FX + PIIX, 1996)\n"},
                       {"sys/class/dmi/id/product_version", "pc-i440fx-7.2\n"},
                       {"sys/class/dmi/id/bios_vendor", "SeaBIOS\n"},
                       {"sys/class/dmi/id/bios_version", "1.16.2-debian-1.16.2-1\n"},
                       {"sys/class/dmi/id/bios_date", "04/01/2014\n"},
                       {"proc/meminfo", "MemTotal:        2030000 kB\nMemFree:  1000 kB\n"},
                       {"proc/cpuinfo", "flags\t\t: fpu hypervisor\n"},
                       {"sys/devices/system/clocksource/clocksource0/available_clocksource", "kvm-clock tsc\n"},
                       {".dockerenv", ""}};
  struct CaseT {
    FilesT files;
    const char* expected;
  } cases[] = {
      {ThinkPad(),
       "TVK_ComputerSystem|kestrel\n ContainerType=none\n Manufacturer=LENOVO\n Model=20N2CTO1WW\n Name=kestrel\n"
       " NumberOfLogicalProcessors=0\n NumberOfProcessors=0\n TotalPhysicalMemory=42949672960\n UserName=joe\n"
       " VMType=none\n"
       "TVK_PhysicalMemory|ChannelA-DIMM0\n BankLabel=BANK 0\n Capacity=8589934592\n DeviceLocator=ChannelA-DIMM0\n"
       " FormFactor=SODIMM\n Manufacturer=Samsung\n MemoryType=DDR4\n Name=ChannelA-DIMM0\n"
       " PartNumber=M471A1K43BB1-CTD\n SerialNumber=00000000\n Speed=2667\n"
       "TVK_PhysicalMemory|ChannelB-DIMM0\n BankLabel=BANK 2\n Capacity=34359738368\n DeviceLocator=ChannelB-DIMM0\n"
       " FormFactor=SODIMM\n Manufacturer=Samsung\n MemoryType=DDR4\n Name=ChannelB-DIMM0\n"
       " PartNumber=M471A4G43MB1-CTD\n SerialNumber=035B8851\n Speed=2667\n"
       "TVK_ComputerSystemProduct|20N2CTO1WW\n IdentifyingNumber=PF1NKFHN\n Name=20N2CTO1WW\n"
       " UUID=0677d5cc-25b1-11b2-a85c-c66e0b64b3d5\n Vendor=LENOVO\n Version=ThinkPad T490\n"
       "TVK_BIOS|LENOVO\n Manufacturer=LENOVO\n Name=LENOVO\n ReleaseDate=20200921T000000\n SerialNumber=PF1NKFHN\n"
       " Version=N2IET92W (1.70 )\n"},
      {qemu,
       "TVK_ComputerSystem|kestrel\n ContainerType=docker\n Manufacturer=QEMU\n"
       " Model=Standard PC (i440FX + PIIX, 1996)\n Name=kestrel\n NumberOfLogicalProcessors=0\n"
       " NumberOfProcessors=0\n TotalPhysicalMemory=2078720000\n UserName=joe\n VMType=kvm\n"
       "TVK_PhysicalMemory|Memory\n Capacity=2078720000\n Name=Memory\n"
       "TVK_ComputerSystemProduct|Standard PC (i440FX + PIIX, 1996)\n Name=Standard PC (i440FX + PIIX, 1996)\n"
       " Vendor=QEMU\n Version=pc-i440fx-7.2\n"
       "TVK_BIOS|SeaBIOS\n Manufacturer=SeaBIOS\n Name=SeaBIOS\n ReleaseDate=20140401T000000\n"
       " Version=1.16.2-debian-1.16.2-1\n"},
      // No SMBIOS at all (an ARM board): no maker, no product, no firmware.
      {{{"proc/meminfo", "MemTotal:        1000 kB\n"}},
       "TVK_ComputerSystem|kestrel\n ContainerType=none\n Name=kestrel\n NumberOfLogicalProcessors=0\n"
       " NumberOfProcessors=0\n TotalPhysicalMemory=1024000\n UserName=joe\n VMType=none\n"
       "TVK_PhysicalMemory|Memory\n Capacity=1024000\n Name=Memory\n"},
  };
  for (const CaseT& c : cases) {
    hxtest::TempDirC root("hx-identity");
    Make(root, c.files);
    EXPECT_EQ(Providers(root), c.expected);
  }
}

// An ordinary user's run: the tables and the serial number are root's; the run says so and
// still gives the rest.
TEST(LinuxIdentityProviders, OrdinaryUserLeavesOutWhatOnlyRootReads) {
  HX_TEST_NEEDS_ATTACKER(uid);
  hxtest::TempDirC root("hx-identity");
  Make(root, ThinkPad());
  ::chmod(root.Path().c_str(), 0755);
  for (const char* secret : {"sys/firmware/dmi/tables/DMI", "sys/class/dmi/id/product_serial"})
    ::chmod(root.File(secret).c_str(), 0400);
  const int failed = hxtest::AsUser(uid, [&] {
    const std::string text = Providers(root);
    const std::string notes = HWClass_Linux::TakeRootNotes();
    return (text.find("TVK_PhysicalMemory|Memory\n Capacity=40960000000\n") == std::string::npos) |
           (text.find("TVK_ComputerSystemProduct|20N2CTO1WW\n Name=20N2CTO1WW\n") == std::string::npos) << 1 |
           (text.find("PF1NKFHN") != std::string::npos) << 2 |
           (notes != "the memory modules, the product's serial number") << 3;
  });
  EXPECT_EQ(failed, 0);
}

}  // namespace
