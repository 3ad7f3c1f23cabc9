#include "prefs/confvar/ConfVar.h"

#include "foundation/trace/Tracer.h"
#include "prefs/confvar/ConfVarCmdline.h"
#include "prefs/registry/ConfClock.h"
#include "prefs/registry/ConfigurationIni.h"

namespace {

constexpr const char* kTraceCategory = "Tracker/Registry";  // the registry-read trace flag
constexpr char kSep = '\\';
constexpr int64_t kCacheNs = 500000000;  // half a second
constexpr const char* kRemoteRootName = "HKLM_REMOTE_MACHINE";

StringC Str(const char* s) { return s ? StringC(s) : StringC(); }

StringC JoinKey(const StringC& path, const StringC& name) {
  if (path.empty()) return name;
  if (name.empty()) return path;
  return path + kSep + name;
}

ConfRegistryIniC* Registry() {
  ConfigurationIniC* config = getConfiguration(1);
  return config ? config->registry() : nullptr;
}

bool RemoteConfigurationInUse() {
  ConfigurationIniC* config = getConfiguration(1);
  return config && !config->getRemoteServer().empty();
}

}  // namespace

const StringC ConfVarC::empty_;

ConfVarC::ConfVarC(ConfVarC* parent, TypeT type, const char* cmdlineName, const char* regName, const char* thirdName,
                   const char* oldValueName, int flags, unsigned char remote, const char* migrationMode)
    : parent_(parent),
      type_(type),
      cmdlineName_(Str(cmdlineName)),
      regName_(Str(regName)),
      thirdName_(Str(thirdName)),
      oldValueName_(Str(oldValueName)),
      flags_(flags & ~c_FlagUnset),
      remote_(remote),
      migrationMode_(Str(migrationMode)) {
  // Parents are built before their children, so the paths can be fixed once here.
  if (parent_) {
    fullKey_ = parent_->getFullRegKeyAndName();
    migKey_ = parent_->getFullRegMigKeyAndName();
  }
  fullKeyAndName_ = JoinKey(fullKey_, regName_);
  const StringC& older = oldKeyName().empty() ? regName_ : oldKeyName();
  migKeyAndName_ = JoinKey(migKey_, older);
}

std::recursive_mutex& ConfVarC::cacheMutex() {
  static std::recursive_mutex* mutex = new std::recursive_mutex;  // values may be read at exit
  return *mutex;
}

int ConfVarC::source() const {
  std::lock_guard<std::recursive_mutex> g(cacheMutex());
  return source_;
}

StringC ConfVarC::HKEYToString(ConfHKEY root) {
  ConfRegistryIniC* reg = Registry();
  StringC name = reg ? reg->HKEYToShortString(root) : StringC();
  return name.empty() ? StringC(kRemoteRootName) : name;
}

hx::ResultT ConfVarC::lookIn(ConfHKEY root, const StringC& key, const StringC& name) {
  ConfRegistryIniC* reg = Registry();
  if (!reg) return hx::RC_FAIL;
  return reg->ExistsBytes(root, key, name, nullptr, nullptr);
}

hx::ResultT ConfVarC::searchForRegLocn(ConfHKEY root, bool migrate) {
  std::lock_guard<std::recursive_mutex> g(cacheMutex());
  if (regName_.empty()) return hx::RC_FAIL;
  const StringC rootName = HKEYToString(root);
  hx::Trace(kTraceCategory, "Searching registry value \"%S\\%S\\%S\".", rootName, fullKey_, regName_);
  hx::ResultT rc = lookIn(root, fullKey_, regName_);
  if (hx::Succeeded(rc)) {
    hx::Trace(kTraceCategory, "Found registry value \"%S\\%S\\%S\".", rootName, fullKey_, regName_);
    locRoot_ = root;
    locKey_ = fullKey_;
    locName_ = regName_;
    return hx::RC_OK;
  }
  hx::Trace(kTraceCategory, "Failed to find registry value \"%S\\%S\\%S\".", rootName, fullKey_, regName_);
  if (rc != CONF_REG_E_NOT_FOUND) {
    hx::Trace(kTraceCategory, "Registry handle is not valid. Returned error %ld", rc);
    return rc;
  }
  // The older layout is only worth a look when its path differs. Migration modes decide what
  // is done with a value found there beyond reading it; this program only reads.
  if (!migrate || hx::EqualsNoCase(migKey_, fullKey_)) return rc;
  const StringC& oldName = oldValueName_.empty() ? regName_ : oldValueName_;
  rc = lookIn(root, migKey_, oldName);
  if (hx::Failed(rc)) return rc;
  hx::Trace(kTraceCategory, "Found registry value \"%S\\%S\\%S\".", rootName, migKey_, oldName);
  locRoot_ = root;
  locKey_ = migKey_;
  locName_ = oldName;
  return hx::RC_OK;
}

int ConfVarC::findSource() {
  std::lock_guard<std::recursive_mutex> g(cacheMutex());
  if (!cmdlineName_.empty() && hx::Succeeded(ConfVarGetCmdline(cmdlineName_, nullptr))) return SourceCmdline;
  hx::Trace(kTraceCategory, "Looking for \"%S\" in registry", regName_);
  if (flags_ & c_FlagUserHive) {
    if (regName_.empty()) return SourceDefault;
    if (hx::Succeeded(searchForRegLocn(HKEY_CURRENT_USER, true))) return SourceUser;
  }
  const bool machineAllowed =
      (flags_ & c_FlagMachineHive) || ((flags_ & c_FlagMachineIfLocal) && !RemoteConfigurationInUse());
  if (!regName_.empty() && machineAllowed && hx::Succeeded(searchForRegLocn(HKEY_LOCAL_MACHINE, true)))
    return SourceMachine;
  return SourceDefault;
}

bool ConfVarC::cacheFresh() const {
  if (source_ == SourceUnread) return false;
  const int64_t elapsed = hx::ConfNowNs() - lastReadNs_;
  return elapsed >= 0 && elapsed <= kCacheNs;
}

void ConfVarC::markRead(int source) {
  source_ = source;
  lastReadNs_ = hx::ConfNowNs();
}

ConfVarC::ReadT ConfVarC::fetch(const char* typeName, const StringC& defaultText) {
  hx::Trace(kTraceCategory, "Getting %s ConfVar value", typeName);
  ReadT r;
  r.source = findSource();
  if (r.source == SourceCmdline) {
    // Cleared between finding and reading it: the default stands in, as for the registry.
    if (hx::Failed(ConfVarGetCmdline(cmdlineName_, &r.text)) || hx::Failed(ConfVarGetCmdlines(cmdlineName_, &r.list)))
      r.source = SourceDefault;
  } else if (r.source == SourceMachine || r.source == SourceUser) {
    ConfRegistryIniC* reg = Registry();
    // The value may vanish between finding and reading it; the default stands in then.
    if (reg && hx::Succeeded(reg->ReadString(locRoot_, locKey_, locName_, &r.text)))
      hx::Trace(kTraceCategory, "Registry value %S=%S", regName_, r.text);
    else
      r.source = SourceDefault;
  }
  if (r.source == SourceDefault) hx::Trace(kTraceCategory, "Default value %S=%S", regName_, defaultText);
  markRead(r.source);
  return r;
}

hx::ResultT ConfVarC::writeText(const StringC& text) {
  ConfRegistryIniC* reg = Registry();
  if (!reg) return hx::RC_FAIL;
  return reg->CreateString(HKEY_LOCAL_MACHINE, fullKey_, regName_, text);
}

hx::ResultT ConfVarC::deleteValue() {
  ConfRegistryIniC* reg = Registry();
  if (!reg) return hx::RC_FAIL;
  hx::ResultT rc = reg->DeleteValue(HKEY_LOCAL_MACHINE, fullKey_, regName_);
  return rc == CONF_REG_E_NOT_FOUND ? hx::RC_OK : rc;
}
