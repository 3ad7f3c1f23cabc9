#pragma once
// The configuration registry of the agent, emulated over INI files. Each INI file is mounted
// at a key path (root + optional subkey); each section of the file is a key below that path
// ("[Tarvosk\Tracker\CurrentVersion]") and each name=value line a string value. Keys are
// opened by path and handed out as small numbered handles; the predefined roots are handles
// of their own. Every value reads as a string (CONF_REG_SZ).
//
// Files are re-read when they change on disk (checked at most once a second per file), and,
// while write-through is on, every change is saved at once under the file's ".lck" record lock
// and merged with what other processes wrote meanwhile.
//
// Typical reads, as the preference loader does them:
//   ConfRegistryIniC* reg = getConfiguration(1)->registry();
//   ConfHKEY key;
//   if (reg->OpenKey(HKEY_LOCAL_MACHINE, "Software\\Tarvosk Corp\\Tarvosk", CONF_KEY_READ, &key) == 0) {
//     StringC name;
//     for (uint32_t i = 0; reg->GetEnumeratedValue(key, i, &name, nullptr, nullptr, nullptr) == 0; ++i) {
//       StringC value;
//       reg->ReadString(key, "", name, &value);
//     }
//     reg->CloseKey(key);
//   }
//
// Within a process the registry takes no lock: it is used from the main thread.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "prefs/registry/ConfRegCodes.h"

class ConfRegIniFileC;

// One open key: its full path ("HKEY_LOCAL_MACHINE\Software\..."), the section it stands for
// in its file (the path relative to the file's mount point) and the file (none for a key that
// belongs to no file, such as a predefined root).
class ConfRegKeyC {
 public:
  ConfRegKeyC(StringC fullPath, StringC section, std::shared_ptr<ConfRegIniFileC> file)
      : fullPath_(std::move(fullPath)), section_(std::move(section)), file_(std::move(file)) {}

  const StringC& fullPath() const { return fullPath_; }
  const StringC& section() const { return section_; }
  const std::shared_ptr<ConfRegIniFileC>& file() const { return file_; }
  int refCount() const { return refs_; }
  void addRef() { ++refs_; }
  // Returns the count left.
  int release() { return --refs_; }

 private:
  StringC fullPath_;
  StringC section_;
  std::shared_ptr<ConfRegIniFileC> file_;
  int refs_ = 1;
};

class ConfRegistryIniC {
 public:
  ConfRegistryIniC();
  virtual ~ConfRegistryIniC();
  ConfRegistryIniC(const ConfRegistryIniC&) = delete;
  ConfRegistryIniC& operator=(const ConfRegistryIniC&) = delete;

  // --- Reading ----------------------------------------------------------------------------
  // Whether `name` exists in `subkey` below `hkey`; `size` (may be null) receives the size of
  // its text with the terminating zero, `type` (may be null) its type.
  HX_NODISCARD virtual hx::ResultT ExistsBytes(ConfHKEY hkey, const StringC& subkey, const StringC& name, uint32_t* size,
                                  uint32_t* type);
  // Opens `subkey` below `hkey` for reading, queries the value into data/size (the buffer
  // rules of ConfRegQueryValueEx), closes the key.
  HX_NODISCARD virtual hx::ResultT ReadBytes(ConfHKEY hkey, const StringC& subkey, const StringC& name, void* data,
                                uint32_t* size, uint32_t* type);
  HX_NODISCARD virtual hx::ResultT ReadString(ConfHKEY hkey, const StringC& subkey, const StringC& name, StringC* value);
  // Not supported by INI files: always hx::RC_NOT_IMPL.
  HX_NODISCARD virtual hx::ResultT ReadStringArray(ConfHKEY hkey, const StringC& subkey, const StringC& name,
                                      StringArrayC* values);
  // The value read as a decimal number; reading stops at the first non-digit.
  HX_NODISCARD virtual hx::ResultT ReadDWord(ConfHKEY hkey, const StringC& subkey, const StringC& name, uint32_t* value);

  // --- Enumeration ------------------------------------------------------------------------
  HX_NODISCARD virtual hx::ResultT StartEnumerate(ConfHKEY hkey, const StringC& subkey, ConfHKEY* handle);
  // The value at `index` in the stored order of the key's section: its name, type and text
  // (data/size follow the buffer rules of ConfRegQueryValueEx; all of name, type, data and
  // size may be null). CONF_REG_E_NOT_FOUND past the end.
  HX_NODISCARD virtual hx::ResultT GetEnumeratedValue(ConfHKEY handle, uint32_t index, StringC* name, uint32_t* type,
                                         void* data, uint32_t* size);
  // The name of the direct subkey at `index`: the next path component of the sections that
  // continue the key's path, each name once, in stored order. CONF_REG_E_NOT_FOUND past the end.
  HX_NODISCARD virtual hx::ResultT GetEnumeratedKey(ConfHKEY handle, uint32_t index, StringC* name);
  HX_NODISCARD virtual hx::ResultT EndEnumerate(ConfHKEY handle);

  // --- Writing ----------------------------------------------------------------------------
  // Creates the section when missing and opens it.
  HX_NODISCARD virtual hx::ResultT CreateKey(ConfHKEY hkey, const StringC& subkey, ConfHKEY* handle);
  // Sets a value (creating its key). Bytes are stored as text up to the first zero byte.
  HX_NODISCARD virtual hx::ResultT CreateBytes(ConfHKEY hkey, const StringC& subkey, const StringC& name, const void* data,
                                  uint32_t size, uint32_t type);
  HX_NODISCARD virtual hx::ResultT CreateString(ConfHKEY hkey, const StringC& subkey, const StringC& name,
                                   const StringC& value);
  // Not supported by INI files: always hx::RC_NOT_IMPL.
  HX_NODISCARD virtual hx::ResultT CreateStringArray(ConfHKEY hkey, const StringC& subkey, const StringC& name,
                                        const StringArrayC& values);
  // Written with the formatter's "%ul" (the number followed by "l"); ReadDWord reads it back.
  HX_NODISCARD virtual hx::ResultT CreateDWord(ConfHKEY hkey, const StringC& subkey, const StringC& name, uint32_t value);
  HX_NODISCARD virtual hx::ResultT DeleteValue(ConfHKEY hkey, const StringC& subkey, const StringC& name);
  // Removes the key's section and, when recursive, every section below it.
  HX_NODISCARD virtual hx::ResultT DeleteKey(ConfHKEY hkey, const StringC& subkey, bool recursive);

  // --- Paths and roots --------------------------------------------------------------------
  // Splits "HKLM\Software\Tarvosk Corp\Tarvosk\InstallDir" into the root handle, the key
  // ("Software\Tarvosk Corp\Tarvosk") and the value name ("InstallDir"). Any output may be null.
  HX_NODISCARD virtual hx::ResultT ExtractKeyComponents(const StringC& path, ConfHKEY* hkey, StringC* subkey, StringC* name);
  // The root handle for a long or short root name (any case); CONF_HKEY_NONE for others.
  virtual ConfHKEY StringToHKEY(const StringC& name);
  // "HKEY_LOCAL_MACHINE" / "HKLM"; empty for a handle that is no predefined root.
  virtual StringC HKEYToLongString(ConfHKEY hkey);
  virtual StringC HKEYToShortString(ConfHKEY hkey);
  // Accepted and ignored: the INI registry has no per-user root and no remote registry.
  HX_NODISCARD virtual hx::ResultT SetCurrentUserRoot(const StringC& root);
  HX_NODISCARD virtual hx::ResultT ConnectNetworkRegistry(const StringC& machine, ConfHKEY hkey, ConfHKEY* result);

  // --- Keys -------------------------------------------------------------------------------
  // Opens `subkey` below `hkey` (an empty subkey opens `hkey` itself again). A key already
  // open under the same path (any case) gets its count raised and keeps its handle.
  HX_NODISCARD virtual hx::ResultT OpenKey(ConfHKEY hkey, const StringC& subkey, uint32_t access, ConfHKEY* handle);
  HX_NODISCARD virtual hx::ResultT CloseKey(ConfHKEY handle);

  // --- Files ------------------------------------------------------------------------------
  // Mounts `file` at root (long or short name) + "\" + subkey. A file already mounted fails
  // with CONF_REG_E_MOUNTED; a different file at the same mount point is replaced. A file that
  // does not exist mounts as empty and is created by the first write.
  HX_NODISCARD virtual hx::ResultT AddIniFile(const StringC& file, const StringC& root, const StringC& subkey);
  // Switches write-through; switching it on saves every file with changes.
  HX_NODISCARD virtual hx::ResultT SetWriteThrough(unsigned char on);

  // --- Value access on an open key ---------------------------------------------------------
  // Queries `name` of an open key. With no buffer (data null) the size (text + terminating
  // zero) is reported and the call succeeds; a buffer with no size fails with
  // CONF_REG_E_INVALID_PARAM; a buffer smaller than the size fails with CONF_REG_E_MORE_DATA
  // and reports the size needed.
  HX_NODISCARD hx::ResultT ConfRegQueryValueEx(ConfHKEY key, const StringC& name, uint32_t* type, void* data, uint32_t* size);
  // Sets `name` of an open key to the text `value` and saves the file when write-through is on.
  HX_NODISCARD hx::ResultT ConfRegSetValueEx(ConfHKEY key, const StringC& name, const StringC& value);

  // Unmounts every file and closes every key: the state of a fresh registry. For start-up
  // code that mounts again and for tests.
  void Reset();
  // The mounted files in list order (for diagnostics and tests).
  std::vector<StringC> MountedFiles() const;
  bool WriteThrough() const { return writeThrough_; }

 private:
  struct LocationT {
    std::shared_ptr<ConfRegIniFileC> file;  // the first file whose mount point lies above the path
    StringC section;                       // the path below that mount point
    bool exists = false;                   // a section of that name, or sections below it
  };
  ConfRegKeyC* findKey(ConfHKEY handle);
  HX_NODISCARD hx::ResultT keyPath(ConfHKEY hkey, const StringC& subkey, StringC* fullPath);
  LocationT locate(const StringC& fullPath) const;
  ConfHKEY addKey(std::unique_ptr<ConfRegKeyC> key);
  HX_NODISCARD hx::ResultT openKey(ConfHKEY hkey, const StringC& subkey, bool create, ConfHKEY* handle);
  // Opens subkey below hkey (creating it when asked), runs fn on the open key and closes it.
  template <typename Fn>
  HX_NODISCARD hx::ResultT withKey(ConfHKEY hkey, const StringC& subkey, bool create, Fn&& fn);
  HX_NODISCARD hx::ResultT setValue(ConfRegKeyC& key, const StringC& name, const StringC& value, bool persistent);
  HX_NODISCARD hx::ResultT saveIfWriteThrough(ConfRegIniFileC& file);
  void checkAllFiles();

  std::vector<std::shared_ptr<ConfRegIniFileC>> files_;
  std::unordered_map<ConfHKEY, std::unique_ptr<ConfRegKeyC>> keys_;
  std::unordered_map<StringC, ConfHKEY, hx::NoCaseHash, hx::NoCaseEqual> byPath_;
  ConfHKEY nextHandle_ = 1;
  bool writeThrough_ = true;
};
