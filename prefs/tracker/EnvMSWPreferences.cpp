#include "prefs/tracker/EnvMSWPreferences.h"

#include "prefs/registry/ConfigurationIni.h"

namespace {

constexpr const char* c_Companions[] = {"Fxd", "Fixed"};
constexpr size_t c_MinFixedName = 6;  // "xFixed"
constexpr size_t c_MinFxdName = 4;    // "xFxd"

ConfRegistryIniC* Registry() {
  ConfigurationIniC* config = getConfiguration(1);
  return config != nullptr ? config->registry() : nullptr;
}

bool EndsWithNoCase(const StringC& s, const char* suffix) {
  const std::string_view tail(suffix);
  return s.size() >= tail.size() && hx::EqualsNoCase(std::string_view(s).substr(s.size() - tail.size()), tail);
}

// Companion values are read with their value, not as preferences of their own.
bool IsCompanionName(const StringC& name) {
  return (name.size() >= c_MinFixedName && EndsWithNoCase(name, "Fixed")) ||
         (name.size() >= c_MinFxdName && EndsWithNoCase(name, "Fxd"));
}

}  // namespace

const char* EnvMSWPreferencesC::RelativePath(LogicalKeyE key) {
  switch (key) {
    case Root: return "";
    case Common: return "\\Common";
    case SecurityAgent: return "\\Security Agent\\CurrentVersion";
    case InventoryAgent: return "\\Tracker\\CurrentVersion";
    case Rules: return "\\Common\\Rules";
    case InstallationAgent: return "\\Launcher\\CurrentVersion";
  }
  return "";
}

ConfHKEY EnvMSWPreferencesC::RootKey() const { return hive_ == MachineHive ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

StringC EnvMSWPreferencesC::ProductPath(LogicalKeyE key) const { return StringC(c_ProductKey) + RelativePath(key); }

StringC EnvMSWPreferencesC::PolicyPath(LogicalKeyE key) {
  StringC hive = prefs_.GetValue(StringC(hive_ == MachineHive ? c_MachineAlternateHive : c_UserAlternateHive), 1);
  if (hive.empty()) hive = c_PolicyKey;
  return hive + RelativePath(key);
}

hx::ResultT EnvMSWPreferencesC::ReadAllValues(LogicalKeyE key, const StringC& separators) {
  const hx::ResultT product = ReadAllValuesOfKey(ProductPath(key), separators);
  const hx::ResultT policy = ReadAllValuesOfKey(PolicyPath(key), separators);
  return hx::Failed(policy) ? policy : product;
}

hx::ResultT EnvMSWPreferencesC::ReadAllValuesOfKey(const StringC& keyPath, const StringC& separators) {
  ConfRegistryIniC* reg = Registry();
  if (reg == nullptr) return hx::RC_FAIL;
  ConfHKEY key = CONF_HKEY_NONE;
  if (reg->OpenKey(RootKey(), keyPath, CONF_KEY_READ, &key) != CONF_REG_OK) return hx::RC_OK;
  StringArrayC names;
  StringC name;
  for (uint32_t i = 0; reg->GetEnumeratedValue(key, i, &name, nullptr, nullptr, nullptr) == CONF_REG_OK; ++i) {
    if (!IsCompanionName(name)) names.push_back(name);
  }
  hx::ResultT r = hx::RC_OK;
  for (const StringC& n : names) {
    const hx::ResultT one = ReadOpenValue(key, n, separators);
    if (hx::Failed(one)) r = one;
  }
  HX_IGNORE_RESULT(reg->CloseKey(key));  // opened just above: closing it cannot fail
  return r;
}

hx::ResultT EnvMSWPreferencesC::ReadValue(LogicalKeyE key, const StringC& name, const StringC& separators) {
  const hx::ResultT product = ReadValueOfKey(ProductPath(key), name, separators);
  const hx::ResultT policy = ReadValueOfKey(PolicyPath(key), name, separators);
  return hx::Failed(policy) ? policy : product;
}

hx::ResultT EnvMSWPreferencesC::ReadValueOfKey(const StringC& keyPath, const StringC& name,
                                               const StringC& separators) {
  ConfRegistryIniC* reg = Registry();
  if (reg == nullptr) return hx::RC_FAIL;
  ConfHKEY key = CONF_HKEY_NONE;
  if (reg->OpenKey(RootKey(), keyPath, CONF_KEY_READ, &key) != CONF_REG_OK) return hx::RC_OK;
  hx::ResultT r = hx::RC_OK;
  uint32_t type = CONF_REG_NONE;
  if (reg->ConfRegQueryValueEx(key, name, &type, nullptr, nullptr) == CONF_REG_OK)
    r = ReadOpenValue(key, name, separators);
  HX_IGNORE_RESULT(reg->CloseKey(key));  // opened just above: closing it cannot fail
  return r;
}

hx::ResultT EnvMSWPreferencesC::ReadOpenValue(ConfHKEY key, const StringC& name, const StringC& separators) {
  ConfRegistryIniC* reg = Registry();
  uint32_t type = CONF_REG_NONE;
  uint32_t size = 0;
  if (reg->ConfRegQueryValueEx(key, name, &type, nullptr, &size) != CONF_REG_OK) return hx::RC_FAIL;
  const env_EnvOptsC option = prefs_.GetOption(name);
  if (type == CONF_REG_MULTI_SZ) {
    StringArrayC items;
    if (reg->ReadStringArray(key, StringC(), name, &items) != CONF_REG_OK) return hx::RC_FAIL;
    if (option.IsMulti()) {
      prefs_.AddValue(option, &items);
    } else {
      prefs_.AddValue(option, hx::Join(items, separators));
    }
  } else {
    StringC value;
    if (reg->ReadString(key, StringC(), name, &value) != CONF_REG_OK) return hx::RC_FAIL;
    if (option.IsMulti() && !separators.empty()) {
      const StringArrayC pieces = EnvPreferencesC::SplitList(value, separators);
      prefs_.AddValue(option, &pieces);
    } else {
      prefs_.AddValue(option, value);
    }
  }
  ReadCompanions(key, name);
  return hx::RC_OK;
}

void EnvMSWPreferencesC::ReadCompanions(ConfHKEY key, const StringC& name) {
  ConfRegistryIniC* reg = Registry();
  for (const char* suffix : c_Companions) {
    const StringC companion = name + suffix;
    StringC value;
    if (reg->ReadString(key, StringC(), companion, &value) == CONF_REG_OK)
      prefs_.AddValue(env_EnvOptsC(companion), value);
  }
}
