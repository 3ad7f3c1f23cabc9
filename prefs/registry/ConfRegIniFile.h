#pragma once
// ConfRegIniFileC: one INI file mounted in the configuration registry at root + "\" + subkey,
// with its parsed content, the state of the file as last read (to notice changes made by
// other processes) and the lock that serialises writers.

#include <cstdint>
#include <ctime>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "prefs/registry/Prefs.h"
#include "prefs/registry/UnxFilcker.h"

class ConfRegIniFileC {
 public:
  // `root` is the long root name ("HKEY_LOCAL_MACHINE"); `subkey` may be empty.
  ConfRegIniFileC(StringC path, StringC root, StringC subkey);

  const StringC& path() const { return path_; }
  const StringC& root() const { return root_; }
  const StringC& subkey() const { return subkey_; }
  // root, or root + "\" + subkey.
  const StringC& mountPoint() const { return mountPoint_; }

  PrefsC& content() { return prefs_; }
  const PrefsC& content() const { return prefs_; }

  // Reads the file in full (a missing file reads as empty). Returns the read's result.
  HX_NODISCARD hx::ResultT read();
  // Reads the file again when at least a second has passed since the last check and the file
  // on disk is not the one last read.
  void checkReload();
  // Saves the changes: under the lock, merges them into the file on disk through a temporary
  // file, then reads the result back. CONF_REG_E_SAVE when the lock cannot be had or the file
  // cannot be written; the changes stay in memory then.
  HX_NODISCARD hx::ResultT save();

 private:
  // What identifies one version of the file on disk. A rename by a writer changes the inode,
  // an edit in place the time and usually the size.
  struct StampT {
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    bool operator==(const StampT& o) const {
      return mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec && inode == o.inode && size == o.size;
    }
  };
  HX_NODISCARD bool stampOnDisk(StampT* stamp) const;

  StringC path_, root_, subkey_, mountPoint_;
  PrefsC prefs_;
  StampT stamp_;
  int64_t lastCheckNs_ = 0;
  UnxFilckerC lock_;
};
