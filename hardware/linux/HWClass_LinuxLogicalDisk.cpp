#include "hardware/linux/HWClass_LinuxLogicalDisk.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "foundation/core/Nodiscard.h"
#include "foundation/files/SysRoot.h"
#include "hardware/linux/DeviceTexts.h"

namespace {

constexpr const char* c_MountTable = "/proc/self/mountinfo";
constexpr const char* c_SizeSnapshot = "/.snapshot/statvfs";
constexpr const char* c_DevicePrefix = "/dev/";

// One measurement that may outlive the wait for it: the thread that makes it owns a share.
struct MeasurementT {
  std::mutex lock;
  std::condition_variable done;
  bool finished = false;
  int error = 0;
  struct statvfs result {};
};

// statvfs of `path`; false with errno's value in `error` when it failed or did not answer in
// time (ETIMEDOUT).
HX_NODISCARD bool Measure(const std::string& path, bool bounded, hxlinux::StatvfsT& size, int& error) {
  struct statvfs vfs {};
  if (!bounded) {
    const bool ok = ::statvfs(path.c_str(), &vfs) == 0;
    error = ok ? 0 : errno;
    if (ok) size = {vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize, vfs.f_blocks, vfs.f_bfree, vfs.f_bavail};
    return ok;
  }
  // A server that went away blocks statvfs until it answers: the thread is left to it.
  auto m = std::make_shared<MeasurementT>();
  try {
    std::thread([m, path] {
      struct statvfs answer {};
      const int e = ::statvfs(path.c_str(), &answer) == 0 ? 0 : errno;
      const std::lock_guard<std::mutex> hold(m->lock);
      m->error = e;
      m->result = answer;
      m->finished = true;
      m->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {  // no thread to be had: the file system goes unmeasured
    error = EAGAIN;
    return false;
  }
  std::unique_lock<std::mutex> hold(m->lock);
  if (!m->done.wait_for(hold, HWClass_LinuxLogicalDisk::c_NetworkStatTimeout, [&] { return m->finished; })) {
    error = ETIMEDOUT;
    return false;
  }
  error = m->error;
  vfs = m->result;
  if (error == 0) size = {vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize, vfs.f_blocks, vfs.f_bfree, vfs.f_bavail};
  return error == 0;
}

std::string Bytes(uint64_t blocks, uint64_t blockSize) {
  if (blockSize != 0 && blocks > UINT64_MAX / blockSize) return std::string();
  return std::to_string(blocks * blockSize);
}

}  // namespace

hx::ResultT HWClass_LinuxLogicalDisk::GetInventory(HWInstanceListT& instances, StringC className,
                                                   const PropertyMap& /*parameters*/) {
  const hxlinux::MachineTreeC& tree = Tree();
  std::string text = tree.Text(c_MountTable);
  // The last mount of a mount point is the one seen there.
  std::map<std::string, hxlinux::MountT> seen;
  std::vector<std::string> order;
  for (hxlinux::MountT& m : hxlinux::ParseMountInfo(text)) {
    if (hxlinux::IsPseudoFileSystem(m.fileSystem)) continue;
    if (seen.find(m.mountPoint) == seen.end()) order.push_back(m.mountPoint);
    seen[m.mountPoint] = std::move(m);
  }
  const bool live = hx::SystemRoot().empty();
  std::map<std::string, hxlinux::StatvfsT> sizes;
  if (!live && tree.Read(c_SizeSnapshot, text)) sizes = hxlinux::ParseStatvfsSnapshot(text);
  hx::ResultT r = hx::RC_OK;
  for (const std::string& point : order) {
    const hxlinux::MountT& m = seen[point];
    RefM<HWInstance> instance = MakeInstance(className, hx::ToValidUtf8(point));
    const hx::ResultT populated = PopulateInstance(instance);
    if (hx::Failed(populated)) r = populated;
    instance->AddProperty(c_DeviceID, hx::ToValidUtf8(point));
    instance->AddProperty("ProviderName", hx::ToValidUtf8(m.source));
    instance->AddProperty("FileSystem", hx::ToValidUtf8(m.fileSystem));
    hxlinux::StatvfsT size;
    int error = 0;
    bool measured = false;
    if (live) {
      measured = Measure(point, !hx::StartsWith(m.source, c_DevicePrefix), size, error);
      if (error == EACCES) NeedsRoot("the sizes of file systems mounted where only root may look");
    } else if (sizes.count(point) != 0) {
      size = sizes[point];
      measured = true;
    }
    if (measured) {
      instance->AddProperty("Size", Bytes(size.blocks, size.blockSize));
      instance->AddProperty("FreeSpace", Bytes(size.available, size.blockSize));
    }
    instances.push_back(instance);
  }
  return r;
}
