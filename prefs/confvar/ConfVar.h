#pragma once
// ConfVarC: one entry of the agent's typed configuration, a key or a typed value in a tree of
// registry keys. A value is read through its type's get(), which looks for it in this order:
// a command-line override, the current user's hive (flag c_FlagUserHive), the machine hive
// (flag c_FlagMachineHive, or c_FlagMachineIfLocal while no remote configuration is in use),
// and in each hive also under the key names of the older layout; otherwise the default holds.
// A value read less than half a second ago is answered from its cache, so a change in the
// configuration file shows after at most half a second.
//
// The whole read runs under one process-wide mutex: the registry below takes no lock.

#include <cstdint>
#include <mutex>

#include "foundation/core/Nodiscard.h"
#include "foundation/core/Result.h"
#include "foundation/core/Text.h"
#include "prefs/registry/ConfRegCodes.h"

class ConfVarC {
 public:
  enum TypeT { TypeKey, TypeString, TypeStringArray, TypeInt32, TypeUInt32, TypeBoolean, TypeBinary };
  // Where the last value came from.
  enum SourceT : int {
    SourceUnread = 1,
    SourceDefault = 2,
    SourceMachine = 8,
    SourceUser = 16,
    SourceCmdline = 32,
  };

  static constexpr int c_FlagMachineHive = 0x8;      // may be read from the machine hive
  static constexpr int c_FlagUserHive = 0x10;        // looked up in the current user's hive first
  static constexpr int c_FlagMachineIfLocal = 0x40;  // machine hive only while no remote configuration
  static constexpr int c_FlagUnset = 0x80;           // cleared when the entry is built
  static constexpr unsigned char c_Remote = 1;       // the key is one of the two top keys

  // The migration mode of keys whose values are taken over whole from the older layout.
  static constexpr const char* c_MigrateCopyAll = "CopyAll";

  // `thirdName` is, for a key, its name in the older layout (null when unchanged) and, for a
  // value, the name of an environment variable. `oldValueName` is a value's older name.
  ConfVarC(ConfVarC* parent, TypeT type, const char* cmdlineName, const char* regName, const char* thirdName,
           const char* oldValueName, int flags, unsigned char remote = 0, const char* migrationMode = nullptr);
  virtual ~ConfVarC() = default;
  ConfVarC(const ConfVarC&) = delete;
  ConfVarC& operator=(const ConfVarC&) = delete;

  ConfVarC* parent() const { return parent_; }
  TypeT type() const { return type_; }
  const StringC& cmdlineName() const { return cmdlineName_; }
  const StringC& regName() const { return regName_; }
  // A key's name in the older layout; empty when it did not change.
  const StringC& oldKeyName() const { return type_ == TypeKey ? thirdName_ : empty_; }
  // A value's environment-variable name; empty when it has none.
  const StringC& envName() const { return type_ == TypeKey ? empty_ : thirdName_; }
  const StringC& oldValueName() const { return oldValueName_; }
  int flags() const { return flags_; }
  unsigned char remote() const { return remote_; }
  const StringC& migrationMode() const { return migrationMode_; }

  // The source of the last read.
  int source() const;

  // Decides where the value comes from (a SourceT), recording the registry location found.
  int findSource();
  // Looks for the value in the hive `root`, and under the older layout when `migrate` is set
  // and the value is missing from the current one. 0 when found (and recorded), otherwise the
  // registry's status (CONF_REG_E_NOT_FOUND when it is nowhere; RC_FAIL without a value name).
  HX_NODISCARD hx::ResultT searchForRegLocn(ConfHKEY root, bool migrate);

  // The key path the entry lives in (its parent's path), and that path with the entry's name.
  const StringC& getFullRegKey() const { return fullKey_; }
  const StringC& getFullRegKeyAndName() const { return fullKeyAndName_; }
  // The same paths built from the older names.
  const StringC& getFullRegMigKey() const { return migKey_; }
  const StringC& getFullRegMigKeyAndName() const { return migKeyAndName_; }

  // A root's short name, or "HKLM_REMOTE_MACHINE" for a handle that has none.
  static StringC HKEYToString(ConfHKEY root);

 protected:
  struct ReadT {
    int source = SourceDefault;
    StringC text;                       // the override or the registry text
    const StringArrayC* list = nullptr; // every override, for array values
  };
  // The mutex every read takes (recursive, so that the public steps can be called inside a read
  // as well as on their own).
  static std::recursive_mutex& cacheMutex();
  // Whether the last read lies less than half a second back.
  bool cacheFresh() const;
  // Finds the source and reads the text there, with the trace lines of a read; records the
  // source and the time. `defaultText` is the default as text, for the trace.
  ReadT fetch(const char* typeName, const StringC& defaultText);
  // Records a value set or reset by the program itself as the latest read.
  void markRead(int source);
  // The registry location values of this entry are written to.
  HX_NODISCARD hx::ResultT writeText(const StringC& text);
  HX_NODISCARD hx::ResultT deleteValue();

 private:
  HX_NODISCARD hx::ResultT lookIn(ConfHKEY root, const StringC& key, const StringC& name);

  ConfVarC* parent_;
  TypeT type_;
  StringC cmdlineName_, regName_, thirdName_, oldValueName_;
  int flags_;
  unsigned char remote_;
  StringC migrationMode_;
  StringC fullKey_, fullKeyAndName_, migKey_, migKeyAndName_;
  static const StringC empty_;

  // State of the last read; guarded by cacheMutex().
  int source_ = SourceUnread;
  int64_t lastReadNs_ = 0;
  ConfHKEY locRoot_ = CONF_HKEY_NONE;
  StringC locKey_, locName_;
};
